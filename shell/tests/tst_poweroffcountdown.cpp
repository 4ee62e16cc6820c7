#include "shell/ui/PowerOffCountdown.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class TestPowerOffCountdown : public QObject
{
    Q_OBJECT

private slots:
    void countsDownToThePowerOff()
    {
        PowerOffCountdown countdown(nullptr, 60, 3'600'000);
        QSignalSpy accepted(&countdown, &QDialog::accepted);
        countdown.show();
        QCOMPARE(countdown.TextLabel->text(), QStringLiteral("Компьютер будет выключен через 60 с."));
        for (int i = 0; i < 59; ++i)
            countdown.Tick();
        QCOMPARE(countdown.TextLabel->text(), QStringLiteral("Компьютер будет выключен через 1 с."));
        QVERIFY(accepted.isEmpty());
        QVERIFY(countdown.isVisible());
        countdown.Tick();
        QCOMPARE(accepted.size(), 1);
        QVERIFY(!countdown.isVisible());
        countdown.Tick();  // nothing after the end
        QCOMPARE(accepted.size(), 1);
    }

    void theKeyboardDecides_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("result");
        QTest::newRow("Escape cancels") << QStringLiteral("esc") << int(QDialog::Rejected);
        QTest::newRow("Enter presses the default, Cancel") << QStringLiteral("enter") << int(QDialog::Rejected);
        QTest::newRow("Tab back to power off now, then Space") << QStringLiteral("backtab space") << int(QDialog::Accepted);
    }

    void theKeyboardDecides()
    {
        QFETCH(QString, keys);
        QFETCH(int, result);
        PowerOffCountdown countdown(nullptr, 60, 3'600'000);
        countdown.show();
        QVERIFY(QTest::qWaitForWindowActive(&countdown));
        QCOMPARE(QApplication::focusWidget(), countdown.CancelButton);
        for (const QString &key : keys.split(QLatin1Char(' '))) {
            QWidget *target = QApplication::focusWidget();
            if (key == QLatin1String("esc"))
                QTest::keyClick(target, Qt::Key_Escape);
            else if (key == QLatin1String("enter"))
                QTest::keyClick(target, Qt::Key_Return);
            else if (key == QLatin1String("backtab"))
                QTest::keyClick(target, Qt::Key_Backtab);
            else
                QTest::keyClick(target, Qt::Key_Space);
        }
        QVERIFY(!countdown.isVisible());
        QCOMPARE(countdown.result(), result);
        QCOMPARE(countdown.CancelButton->accessibleName(), QStringLiteral("Отмена"));
        QCOMPARE(countdown.PowerOffNowButton->accessibleName(), QStringLiteral("Выключить сейчас"));
    }

    void theRealTimerCounts()
    {
        PowerOffCountdown countdown(nullptr, 2, 10);
        QSignalSpy accepted(&countdown, &QDialog::accepted);
        countdown.show();
        QTRY_COMPARE(accepted.size(), 1);
        QCOMPARE(countdown.SecondsLeft(), 0);
    }

    void cancellingStopsTheCount()
    {
        PowerOffCountdown countdown(nullptr, 2, 10);
        QSignalSpy accepted(&countdown, &QDialog::accepted);
        countdown.show();
        countdown.CancelButton->click();
        QTest::qWait(60);
        QVERIFY(accepted.isEmpty());
        QCOMPARE(countdown.SecondsLeft(), 2);
    }
};

QTEST_MAIN(TestPowerOffCountdown)
#include "tst_poweroffcountdown.moc"
