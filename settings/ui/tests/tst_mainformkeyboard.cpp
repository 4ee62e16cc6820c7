#include "settings/ui/tests/MainFormTestTools.h"
#include "shell/Assert.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QScreen>
#include <QTest>
#include <cstdlib>

namespace {

// What a screen reader says a control is: its label when one is bound to it, else its
// name; a drop-down list without a label, whose name is its entry, by its description.
QString accessibleName(QWidget *widget)
{
    QAccessibleInterface *face = widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
    if (!face)
        return QString();
    const auto labels = face->relations(QAccessible::Label);
    if (!labels.isEmpty())
        return labels.first().first->text(QAccessible::Name);
    if (face->role() == QAccessible::ComboBox)
        return face->text(QAccessible::Description);
    return face->text(QAccessible::Name);
}

// Presses each key combination of `keys` where the focus is, as a user would.
void press(QWidget *window, const QKeySequence &keys)
{
    for (int i = 0; i < keys.count(); ++i) {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
        const Qt::Key key = keys[i].key();
        // Qt Test spells only ASCII keys itself; a Cyrillic letter comes with its text.
        const QString text = key > 0x7f && key < 0xffff ? QString(QChar(key)).toLower() : QString();
        if (text.isEmpty()) {
            QTest::keyClick(target, key, keys[i].keyboardModifiers());
        } else {
            QTest::sendKeyEvent(QTest::Press, target, key, text, keys[i].keyboardModifiers());
            QTest::sendKeyEvent(QTest::Release, target, key, text, keys[i].keyboardModifiers());
        }
        // A mnemonic of a check box clicks it after a short animation.
        QTest::qWait(i + 1 < keys.count() ? 0 : 150);
    }
}

} // namespace

// The main window as a new user meets it: from the keyboard alone (mnemonics, Tab in
// reading order, the bars moved by keys, a visible focus and a name for every control), and
// on a small screen.
class TestMainFormKeyboard : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList m_messages;
    QStringList m_errors;
    QStringList m_questions;
    int m_answer = QMessageBox::Cancel;
    std::unique_ptr<TMainForm> m_form;

private slots:
    void initTestCase()
    {
        InstructorsInfo.Init();
        InstallAssertPresenter([](const QString &) {});  // no Sounds folder here
    }

    void init()
    {
        QFile::remove(m_dir.path() + QStringLiteral("/options.bin"));
        m_questions.clear();
        m_answer = QMessageBox::Cancel;
        m_form = MakeQuietMainForm(m_dir.path() + QLatin1Char('/'), &m_messages, &m_errors, &m_questions, &m_answer);
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        m_form->MedTechinkCombo->setFocus();
    }

    void cleanup()
    {
        m_answer = QMessageBox::No;  // nothing left to ask about
        m_form.reset();
    }

    void keysReachAndChangeControls_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("focused");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("expected");
        const QString volume = QStringLiteral("Общая громкость:");
        const QString length = QStringLiteral("Продолжительность медитации, мин.");
        QTest::newRow("Alt+О: volume") << QStringLiteral("Alt+О") << volume << "volume" << 50;
        QTest::newRow("volume, Right") << QStringLiteral("Alt+О, Right") << volume << "volume" << 51;
        QTest::newRow("volume, Left") << QStringLiteral("Alt+О, Left") << volume << "volume" << 49;
        QTest::newRow("volume, Page Up") << QStringLiteral("Alt+О, PgUp") << volume << "volume" << 60;
        QTest::newRow("volume, Page Down") << QStringLiteral("Alt+О, PgDown") << volume << "volume" << 40;
        QTest::newRow("volume, Home") << QStringLiteral("Alt+О, Home") << volume << "volume" << 0;
        QTest::newRow("Alt+П: length field") << QStringLiteral("Alt+П") << length << "length" << 12;
        QTest::newRow("length bar, Right") << QStringLiteral("Alt+П, Tab, Right") << length << "length" << 13;
        QTest::newRow("length bar, Page Down") << QStringLiteral("Alt+П, Tab, PgDown") << length << "length" << 2;
        QTest::newRow("Alt+К ticks the preparation")
            << QStringLiteral("Alt+К") << QStringLiteral("Проигрывать подготовку к медитации") << "preparation" << 1;
        QTest::newRow("Alt+Г: instructor") << QStringLiteral("Alt+Г") << QStringLiteral("Голос инструктора:")
                                           << "volume" << 50;
        QTest::newRow("Alt+Т: technique") << QStringLiteral("Alt+Т") << QStringLiteral("Техника медитации:")
                                          << "volume" << 50;
        QTest::newRow("F1 is the help button's key, Tab leaves it")
            << QStringLiteral("Alt+Г, Tab, Tab") << length << "length" << 12;
    }

    void keysReachAndChangeControls()
    {
        QFETCH(QString, keys);
        QFETCH(QString, focused);
        QFETCH(QString, value);
        QFETCH(int, expected);
        press(m_form.get(), QKeySequence::fromString(keys));
        QCOMPARE(accessibleName(QApplication::focusWidget()), focused);
        const int actual = value == QLatin1String("volume") ? m_form->VolumeScroll->value()
                           : value == QLatin1String("length") ? m_form->MedLenEdit->text().toInt()
                                                              : int(m_form->PlayNidraCheck->isChecked());
        QCOMPARE(actual, expected);
        QVERIFY(m_errors.isEmpty());
    }

    void tabVisitsEveryControlInReadingOrder()
    {
        QStringList visited;
        for (int step = 0; step < 40; ++step) {
            QWidget *focus = QApplication::focusWidget();
            const QString name = accessibleName(focus);
            QVERIFY2(!name.isEmpty(), focus ? focus->metaObject()->className() : "no focus");
            if (!visited.isEmpty() && focus == m_form->MedTechinkCombo)
                break;
            visited << name;
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        // With "Просто тишина" the reminder rows are hidden; the preparation list and the
        // stop button are disabled.
        const QStringList expected = {
            QStringLiteral("Техника медитации:"),
            QStringLiteral("Голос инструктора:"),
            QStringLiteral("Справка"),
            QStringLiteral("Продолжительность медитации, мин."),
            QStringLiteral("Продолжительность медитации, мин."),
            QStringLiteral("Общая громкость:"),
            QStringLiteral("Проигрывать подготовку к медитации"),
            QStringLiteral("Проигрывать музыкальный файл"),
            QStringLiteral("Когда играет музыка"),
            QStringLiteral("Музыкальный файл:"),
            QStringLiteral("Один файл плейлиста"),
            QStringLiteral("Редактировать список муз. файлов"),
            QStringLiteral("Автообновление списка плейлистов музыки"),
            QStringLiteral("Не проигрывать вступление к медитации"),
            QStringLiteral("Выключить компьютер после медитации"),
            QStringLiteral("Сообщить о конце медитации, если окно в фоне"),
            QStringLiteral("Проигрывать фоновый звук во время медитации"),
            QStringLiteral("Звуковой файл:"),
            QStringLiteral("Редактировать список звуковых файлов"),
            QStringLiteral("Сохранить настройки"),
            QStringLiteral("Дневник практики"),
            QStringLiteral("Начать"),
            QStringLiteral("Выход"),
        };
        QCOMPARE(visited, expected);
    }

    void reminderBarsJoinTheOrderWithTheirNames()
    {
        m_form->MedTechinkCombo->setCurrentIndex(3);  // "Медитация с периодами концентрации"
        m_form->MedTechinkComboClick();
        m_form->MedLenScroll->setFocus();
        press(m_form.get(), QKeySequence::fromString(QStringLiteral("Tab, Tab, Tab, Right")));
        QCOMPARE(accessibleName(QApplication::focusWidget()),
                 QStringLiteral("Средний интервал между напоминаниями, сек."));
        QCOMPARE(m_form->RemindIntervalTech1Edit->text(), QStringLiteral("91"));
        press(m_form.get(), QKeySequence::fromString(QStringLiteral("Alt+Д")));
        QCOMPARE(QApplication::focusWidget(), m_form->ConcIntDurEdit);
        QCOMPARE(accessibleName(m_form->ConcIntDurScroll), QStringLiteral("Средняя длина периода концентрации, сек."));
    }

    void fitsASmallScreenAndKeepsItsSizeAcrossTechniques()
    {
        // Room for a window frame on a 1024 x 600 screen with a panel.
        QVERIFY(m_form->minimumSizeHint().width() <= 1000);
        QVERIFY(m_form->minimumSizeHint().height() <= 540);
        // A long playlist name does not widen the window.
        m_form->MusFileCombo->addItem(QString(300, QLatin1Char('x')));
        QVERIFY(m_form->minimumSizeHint().width() <= 1000);
        const QSize shown = m_form->size();
        const QSize hint = m_form->minimumSizeHint();
        const QPoint place = m_form->pos();
        for (int index = 0; index < m_form->MedTechinkCombo->count(); ++index) {
            m_form->MedTechinkCombo->setCurrentIndex(index);
            m_form->MedTechinkComboClick();
            QApplication::processEvents();
            QCOMPARE(m_form->size(), shown);
            QCOMPARE(m_form->minimumSizeHint(), hint);
            QCOMPARE(m_form->pos(), place);
        }
        const QRect area = m_form->screen()->availableGeometry();
        // The offscreen screen is 800 px wide: narrower than the window may shrink, so the
        // window starts at its left edge; it is centred wherever it fits.
        const QRect outer = m_form->frameGeometry();
        QVERIFY(outer.left() >= area.left() && outer.top() >= area.top());
        QVERIFY(outer.bottom() <= area.bottom());
        if (outer.width() <= area.width())
            QVERIFY(std::abs(outer.center().x() - area.center().x()) <= 1);
        QVERIFY(std::abs(outer.center().y() - area.center().y()) <= 1);
    }

    void numberFieldsTakeDigitsOnly()
    {
        m_form->MedLenEdit->selectAll();
        QTest::keyClicks(m_form->MedLenEdit, QStringLiteral("2x5b-"));
        QCOMPARE(m_form->MedLenEdit->text(), QStringLiteral("25"));
    }

    void numberOutsideItsRangeIsRefusedByName_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("length 0") << "length" << "0" << QStringLiteral("Продолжительность медитации, мин.");
        QTest::newRow("length in letters") << "length" << "abc" << QStringLiteral("Продолжительность медитации, мин.");
        QTest::newRow("interval past its bar")
            << "interval" << "601" << QStringLiteral("Средний интервал между напоминаниями, сек.");
        QTest::newRow("milliseconds below 100") << "ms" << "50" << QStringLiteral("Интервал между фразами, мсек");
    }

    void numberOutsideItsRangeIsRefusedByName()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, name);
        QLineEdit *edit = field == QLatin1String("length")     ? m_form->MedLenEdit
                          : field == QLatin1String("interval") ? m_form->RemindIntervalTech1Edit
                                                               : m_form->RemindIntervalTech5Edit;
        edit->setText(text);
        QTest::mouseClick(m_form->Button1, Qt::LeftButton);
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.first().contains(name), qPrintable(m_errors.first()));
        QVERIFY(!QFile::exists(m_dir.path() + QStringLiteral("/options.bin")));
        m_errors.clear();
    }

    void savingSaysSo()
    {
        const QLabel *notice = nullptr;
        for (const QLabel *label : m_form->findChildren<QLabel *>())
            if (label->text() == QStringLiteral("Настройки сохранены."))
                notice = label;
        QVERIFY(!notice || notice->isHidden());
        m_form->Button1->click();
        for (const QLabel *label : m_form->findChildren<QLabel *>())
            if (label->text() == QStringLiteral("Настройки сохранены."))
                notice = label;
        QVERIFY(notice && notice->isVisible());
        QVERIFY(QFile::exists(m_dir.path() + QStringLiteral("/options.bin")));
    }

    void exitAsksAboutChangedSettings_data()
    {
        QTest::addColumn<bool>("change");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("saved");
        QTest::newRow("nothing changed: no question") << false << int(QMessageBox::Cancel) << false << true << false;
        QTest::newRow("Да saves and leaves") << true << int(QMessageBox::Yes) << true << true << true;
        QTest::newRow("Нет leaves without saving") << true << int(QMessageBox::No) << true << true << false;
        QTest::newRow("Отмена stays") << true << int(QMessageBox::Cancel) << true << false << false;
    }

    void exitAsksAboutChangedSettings()
    {
        QFETCH(bool, change);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, closed);
        QFETCH(bool, saved);
        m_answer = answer;
        if (change)
            m_form->MedLenEdit->setText(QStringLiteral("20"));
        m_form->Button3->click();
        QCOMPARE(m_questions.size(), asked ? 1 : 0);
        QCOMPARE(m_form->isVisible(), !closed);
        QCOMPARE(QFile::exists(m_dir.path() + QStringLiteral("/options.bin")), saved);
        if (saved) {
            TOptionsData stored;
            stored.LoadFromFile(m_dir.path() + QStringLiteral("/options.bin"));
            QCOMPARE(stored.FMedLenMin, 20);
        }
    }

    void focusedControlWearsARing()
    {
        for (QWidget *control : {static_cast<QWidget *>(m_form->Button2), static_cast<QWidget *>(m_form->VolumeScroll)}) {
            control->setFocus(Qt::TabFocusReason);
            QApplication::processEvents();
            const QWidget *ring = m_form->findChild<QWidget *>(QStringLiteral("focusRing"));
            QVERIFY(ring && ring->isVisible());
            const QRect around(control->mapTo(m_form.get(), QPoint(0, 0)), control->size());
            QVERIFY(ring->geometry().contains(around));
            QVERIFY(ring->geometry().width() < around.width() + 10);
        }
    }
};

QTEST_MAIN(TestMainFormKeyboard)
#include "tst_mainformkeyboard.moc"
