// The end-of-meditation notification, sent to a fake notification service on a private
// bus; and the words that say how long the meditation lasted.

#include "shell/DesktopNotifier.h"
#include "dbus/PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QTest>

namespace {

// Stands for the desktop's notification daemon: records each request and answers with an id.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Request
    {
        QString appName;
        QString summary;
        QString body;
        QVariantMap hints;
        qint32 timeout = 0;
    };
    QList<Request> requests;

public slots:
    uint Notify(const QString &appName, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &hints, int timeout)
    {
        requests.append({appName, summary, body, hints, timeout});
        return uint(requests.size());
    }
};

} // namespace

class TestDesktopNotifier : public QObject
{
    Q_OBJECT

private slots:
    void minutesText_data();
    void minutesText();
    void theDesktopIsToldTheMeditationEnded();
    void withoutTheServiceNothingIsShown();
    void withoutABusNothingIsSent();
};

void TestDesktopNotifier::minutesText_data()
{
    QTest::addColumn<qint64>("minutes");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << qint64(0) << QStringLiteral("Вы медитировали меньше минуты.");
    QTest::newRow("1") << qint64(1) << QStringLiteral("Вы медитировали 1 минуту.");
    QTest::newRow("2") << qint64(2) << QStringLiteral("Вы медитировали 2 минуты.");
    QTest::newRow("4") << qint64(4) << QStringLiteral("Вы медитировали 4 минуты.");
    QTest::newRow("5") << qint64(5) << QStringLiteral("Вы медитировали 5 минут.");
    QTest::newRow("11") << qint64(11) << QStringLiteral("Вы медитировали 11 минут.");
    QTest::newRow("12") << qint64(12) << QStringLiteral("Вы медитировали 12 минут.");
    QTest::newRow("14") << qint64(14) << QStringLiteral("Вы медитировали 14 минут.");
    QTest::newRow("21") << qint64(21) << QStringLiteral("Вы медитировали 21 минуту.");
    QTest::newRow("22") << qint64(22) << QStringLiteral("Вы медитировали 22 минуты.");
    QTest::newRow("60") << qint64(60) << QStringLiteral("Вы медитировали 60 минут.");
    QTest::newRow("111") << qint64(111) << QStringLiteral("Вы медитировали 111 минут.");
    QTest::newRow("101") << qint64(101) << QStringLiteral("Вы медитировали 101 минуту.");
}

void TestDesktopNotifier::minutesText()
{
    QFETCH(qint64, minutes);
    QFETCH(QString, text);
    QCOMPARE(MinutesMeditatedText(minutes), text);
}

void TestDesktopNotifier::theDesktopIsToldTheMeditationEnded()
{
    PrivateBus bus;
    QVERIFY(bus.IsRunning());
    QDBusConnection desktop = bus.Connect(QStringLiteral("desktop"));
    FakeNotifications fake;
    QVERIFY(desktop.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &fake,
                                   QDBusConnection::ExportAllSlots));
    QVERIFY(desktop.registerService(QStringLiteral("org.freedesktop.Notifications")));

    TDesktopNotifier notifier(bus.Connect(QStringLiteral("program")));
    QSignalSpy finished(&notifier, &TDesktopNotifier::finished);
    QVERIFY(notifier.NotifyMeditationDone(12));
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QCOMPARE(fake.requests.size(), 1);
    const FakeNotifications::Request &request = fake.requests.at(0);
    QCOMPARE(request.appName, QStringLiteral("Nesvara"));
    QCOMPARE(request.summary, QStringLiteral("Медитация завершена"));
    QCOMPARE(request.body, QStringLiteral("Вы медитировали 12 минут."));
    QCOMPARE(request.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("nesvara"));
    QCOMPARE(request.timeout, -1);
}

void TestDesktopNotifier::withoutTheServiceNothingIsShown()
{
    PrivateBus bus;
    QVERIFY(bus.IsRunning());
    TDesktopNotifier notifier(bus.Connect(QStringLiteral("program")));
    QSignalSpy finished(&notifier, &TDesktopNotifier::finished);
    QElapsedTimer sending;
    sending.start();
    QVERIFY(notifier.NotifyMeditationDone(12));
    QVERIFY2(sending.elapsed() < 1000, "the request waited for an answer");
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
}

void TestDesktopNotifier::withoutABusNothingIsSent()
{
    TDesktopNotifier notifier(QDBusConnection(QStringLiteral("no such bus")));
    QSignalSpy finished(&notifier, &TDesktopNotifier::finished);
    QVERIFY(!notifier.NotifyMeditationDone(12));
    QTest::qWait(20);
    QCOMPARE(finished.size(), 0);
}

QTEST_GUILESS_MAIN(TestDesktopNotifier)
#include "tst_desktopnotifier.moc"
