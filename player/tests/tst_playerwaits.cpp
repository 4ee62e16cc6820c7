#include "player/PlayerWaits.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <ctime>
#include <thread>

// The real waits block in the event loop; these tests show that they end early when
// something happens and that they end by themselves when nothing does.
class TestPlayerWaits : public QObject
{
    Q_OBJECT

private slots:
    void waitsWithoutEventsReturn_data();
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

qint64 ThreadCpuMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

} // namespace

// Without events a wait lasts its time, blocked: it neither returns early (a cap, a
// busy loop that gives up) nor spins on the processor while it waits.
void TestPlayerWaits::waitsWithoutEventsReturn_data()
{
    QTest::addColumn<int>("sleepMs"); // -1: WaitForActivity
    QTest::addColumn<int>("lastsMs");
    QTest::newRow("activity wait") << -1 << PlayerWaits::kActivityWaitMs;
    QTest::newRow("no sleep") << 0 << 0;
    QTest::newRow("a pass") << 20 << 20;
    QTest::newRow("longer than a second") << 1500 << 1500;
}

void TestPlayerWaits::waitsWithoutEventsReturn()
{
    QFETCH(int, sleepMs);
    QFETCH(int, lastsMs);
    PlayerWaits waits;
    QCoreApplication::processEvents(); // nothing pending from earlier tests
    QElapsedTimer elapsed;
    elapsed.start();
    const qint64 cpuBefore = ThreadCpuMicroseconds();
    if (sleepMs < 0)
        waits.WaitForActivity();
    else
        waits.Sleep(sleepMs);
    const qint64 waited = elapsed.elapsed();
    const qint64 cpuMs = (ThreadCpuMicroseconds() - cpuBefore) / 1000;
    // Qt's coarse timers may fire up to 5 % early.
    QVERIFY2(waited >= lastsMs * 95 / 100, qPrintable(QString::number(waited)));
    QVERIFY2(waited < kGenerousBoundMs, qPrintable(QString::number(waited)));
    QVERIFY2(cpuMs <= 5 + lastsMs / 4, qPrintable(QString::number(cpuMs)));
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
