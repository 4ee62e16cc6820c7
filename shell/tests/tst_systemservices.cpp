#include "dbus/FakeCommands.h"
#include "dbus/FakeLogind.h"
#include "dbus/PrivateBus.h"
#include "shell/PowerOff.h"
#include "shell/SleepInhibitor.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>


class TestSystemServices : public QObject
{
    Q_OBJECT

    std::unique_ptr<PrivateBus> m_bus;
    std::unique_ptr<FakeLogind> m_logind;
    int m_connections = 0;

    QDBusConnection client() { return m_bus->Connect(QStringLiteral("client%1").arg(++m_connections)); }

private slots:
    void init()
    {
        m_bus = std::make_unique<PrivateBus>();
        QVERIFY2(m_bus->IsRunning(), "dbus-daemon did not start");
        m_logind = std::make_unique<FakeLogind>();
        QVERIFY(m_logind->Register(m_bus->Connect(QStringLiteral("logind%1").arg(++m_connections))));
    }

    void cleanup()
    {
        m_logind.reset();
        m_bus.reset();
    }

    void theLockIsHeldUntilReleased()
    {
        SleepInhibitor inhibitor(client());
        inhibitor.Acquire();
        inhibitor.Acquire();  // wanted already: no second lock
        QTRY_VERIFY(inhibitor.IsHeld());
        QCOMPARE(m_logind->inhibitCalls,
                 (QList<QStringList>{{QStringLiteral("sleep:idle"), QStringLiteral("Nesvara"),
                                      QStringLiteral("Идёт медитация"), QStringLiteral("block")}}));
        QTRY_COMPARE(m_logind->OpenLocks(), 1);
        inhibitor.Release();
        QVERIFY(!inhibitor.IsHeld());
        QTRY_COMPARE(m_logind->OpenLocks(), 0);
    }

    void aLockThatComesAfterTheReleaseIsDropped()
    {
        SleepInhibitor inhibitor(client());
        inhibitor.Acquire();
        inhibitor.Release();  // before logind could answer
        QTRY_COMPARE(m_logind->inhibitCalls.size(), 1);
        QTest::qWait(50);
        QVERIFY(!inhibitor.IsHeld());
        QTRY_COMPARE(m_logind->OpenLocks(), 0);
    }

    void theLockGoesWithItsOwner()
    {
        {
            SleepInhibitor inhibitor(client());
            inhibitor.Acquire();
            QTRY_VERIFY(inhibitor.IsHeld());
        }
        QTRY_COMPARE(m_logind->OpenLocks(), 0);
    }

    void withoutLogindTheMeditationOnlyLogs_data()
    {
        QTest::addColumn<bool>("noBus");
        QTest::newRow("logind refuses") << false;
        QTest::newRow("no bus at all") << true;
    }

    void withoutLogindTheMeditationOnlyLogs()
    {
        QFETCH(bool, noBus);
        m_logind->refuseInhibit = true;
        const QDBusConnection bus = noBus ? QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                                          QStringLiteral("nowhere"))
                                          : client();
        SleepInhibitor inhibitor(bus);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(QStringLiteral("the computer may sleep")));
        inhibitor.Acquire();
        if (!noBus)
            QTRY_COMPARE(m_logind->inhibitCalls.size(), 1);
        QTest::qWait(20);
        QVERIFY(!inhibitor.IsHeld());
        inhibitor.Release();
        if (noBus)
            QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
    }

    void powerOffAsksLogindNotInteractively()
    {
        FakeCommands commands;
        PowerOff powerOff(client(), commands);
        QSignalSpy accepted(&powerOff, &PowerOff::accepted);
        QSignalSpy failed(&powerOff, &PowerOff::failed);
        powerOff.Start();
        QTRY_COMPARE(accepted.size(), 1);
        QCOMPARE(m_logind->powerOffCalls, QList<bool>{false});
        QVERIFY(commands.runs.isEmpty());
        QVERIFY(failed.isEmpty());
    }

    void aRefusalFallsBackToSystemctl_data()
    {
        QTest::addColumn<QString>("commandError");
        QTest::newRow("systemctl switches off") << QString();
        QTest::newRow("systemctl fails too") << QStringLiteral("Access denied");
    }

    void aRefusalFallsBackToSystemctl()
    {
        QFETCH(QString, commandError);
        m_logind->refusePowerOff = true;
        FakeCommands commands;
        commands.error = commandError;
        PowerOff powerOff(client(), commands);
        QSignalSpy accepted(&powerOff, &PowerOff::accepted);
        QSignalSpy failed(&powerOff, &PowerOff::failed);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(QStringLiteral("logind refused")));
        powerOff.Start();
        QTRY_COMPARE(accepted.size() + failed.size(), 1);
        QCOMPARE(commands.runs, (QList<QStringList>{{QStringLiteral("systemctl"), QStringLiteral("poweroff")}}));
        if (commandError.isEmpty()) {
            QCOMPARE(accepted.size(), 1);
            return;
        }
        const QString text = failed.at(0).at(0).toString();
        QVERIFY2(text.startsWith(QStringLiteral("Не удалось выключить компьютер.")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Interactive authentication required.")));
        QVERIFY(text.contains(commandError));
    }

    void theRealRunnerReportsACommandThatFails()
    {
        ProcessRunner runner;
        QStringList answers;
        runner.Run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo refused; exit 3")},
                   [&](const QString &error) { answers << error; });
        runner.Run(QStringLiteral("/nonexistent/program"), {}, [&](const QString &error) { answers << error; });
        runner.Run(QStringLiteral("true"), {}, [&](const QString &error) { answers << error; });
        QTRY_COMPARE(answers.size(), 3);
        QVERIFY(answers.contains(QStringLiteral("refused")));
        QVERIFY(answers.contains(QString()));
        QCOMPARE(answers.count(QString()), 1);
    }
};

QTEST_GUILESS_MAIN(TestSystemServices)
#include "tst_systemservices.moc"
