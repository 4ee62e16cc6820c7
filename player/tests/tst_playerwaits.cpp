#include "player/PlayerWaits.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <thread>

// The real waits block in the event loop; these tests show that they end early when
// something happens and that they end by themselves when nothing does.
class TestPlayerWaits : public QObject
{
    Q_OBJECT

private slots:
    void waitsWithoutEventsReturn();
    void aPostedEventEndsALongSleep();
    void aWakeFromAnotherThreadEndsALongSleep();
    void aWakeBeforeTheWaitEndsItAtOnce();
    void processMessagesRunsPendingEvents();
};

namespace {

// Far longer than any test may run: a wait of this length that returns was ended early.
constexpr int kHour = 3'600'000;
constexpr qint64 kGenerousBoundMs = 60'000;

} // namespace

void TestPlayerWaits::waitsWithoutEventsReturn()
{
    PlayerWaits waits;
    waits.WaitForActivity();
    waits.Sleep(20);
    waits.Sleep(0);
    QVERIFY(true); // reaching here is the claim: no wait hangs
}

void TestPlayerWaits::aPostedEventEndsALongSleep()
{
    PlayerWaits waits;
    bool handled = false;
    QTimer::singleShot(10, this, [&handled] { handled = true; });
    QElapsedTimer elapsed;
    elapsed.start();
    while (!handled && elapsed.elapsed() < kGenerousBoundMs)
        waits.Sleep(kHour);
    QVERIFY(handled);
    QVERIFY(elapsed.elapsed() < kGenerousBoundMs);
}

void TestPlayerWaits::aWakeFromAnotherThreadEndsALongSleep()
{
    PlayerWaits waits;
    std::thread waker([&waits] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        waits.Wake();
    });
    QElapsedTimer elapsed;
    elapsed.start();
    waits.Sleep(kHour);
    const qint64 waited = elapsed.elapsed();
    waker.join();
    QVERIFY(waited < kGenerousBoundMs);
}

void TestPlayerWaits::aWakeBeforeTheWaitEndsItAtOnce()
{
    PlayerWaits waits;
    waits.Wake();
    // The stream ended while the player was busy: the next wait must not block for it.
    QElapsedTimer elapsed;
    elapsed.start();
    waits.Sleep(kHour);
    QVERIFY(elapsed.elapsed() < kGenerousBoundMs);
    // The wake is used up: a later wait still ends by its timer.
    waits.WaitForActivity();
}

void TestPlayerWaits::processMessagesRunsPendingEvents()
{
    PlayerWaits waits;
    bool handled = false;
    QMetaObject::invokeMethod(this, [&handled] { handled = true; }, Qt::QueuedConnection);
    QVERIFY(!handled);
    waits.ProcessMessages();
    QVERIFY(handled);
}

QTEST_GUILESS_MAIN(TestPlayerWaits)
#include "tst_playerwaits.moc"
