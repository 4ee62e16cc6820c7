#include "player/tests/NoSoundAudio.h"
#include "shell/Assert.h"
#include "shell/ProgramWindows.h"
#include "shell/ui/FormHelpers.h"
#include "shell/ui/NesvaraApplication.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestStartup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TProgramWindows> m_windows;

private slots:
    // The error report, the assertion box and the plain message all answer with "Ок".
    void everyMessageBoxButtonReadsOk_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("default error report") << 0;
        QTest::newRow("assertion box") << 1;
        QTest::newRow("message") << 2;
    }

    void everyMessageBoxButtonReadsOk()
    {
        QFETCH(int, kind);
        QStringList buttons;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            for (QAbstractButton *button : box->buttons())
                buttons << button->text();
            box->accept();
        });
        const QString text = QStringLiteral("Не удалось сохранить файл");
        if (kind == 0)
            TNesvaraApplication::ShowErrorReport(text);
        else if (kind == 1)
            ShowUntitledMessage(nullptr, text);
        else
            ShowNesvaraMessage(nullptr, text);
        QCOMPARE(buttons, QStringList{QStringLiteral("Ок")});
    }

    void initTestCase()
    {
        InstallAssertPresenter([](const QString &) {});  // no Sounds folder here
        PrepareApplication(*qApp);
        TMainFormEnvironment environment;
        environment.programDir = m_dir.path() + QLatin1Char('/');
        environment.audio = std::make_unique<NoSoundAudio>();
        environment.showMessage = [](const QString &) {};
        m_windows = std::make_unique<TProgramWindows>(std::move(environment));
    }

    void captionIsTheVersion()
    {
        QCOMPARE(m_windows->mainForm.windowTitle(), QStringLiteral("Nesvara v. 1.0 b89"));
    }

    void helpMenuHoldsItsThreeEntries()
    {
        QStringList captions;
        for (const QAction *action : m_windows->mainForm.HelpPopup->actions())
            captions << action->text();
        QCOMPARE(captions, (QStringList{QStringLiteral("Описание программы"), QStringLiteral("О медитации"),
                                        QStringLiteral("Об авторах")}));
    }

    void helpPagesAreAskedFor()
    {
        QStringList paths;
        connect(&m_windows->mainForm, &TMainForm::webPageRequested, this, [&](const QString &path) { paths << path; });
        m_windows->mainForm.HelpPopup->actions().at(0)->trigger();
        m_windows->mainForm.HelpPopup->actions().at(1)->trigger();
        QCOMPARE(paths, (QStringList{QStringLiteral("/description.html"), QStringLiteral("/meditation.html")}));
    }

    void aboutWindowShowsTheVersionTwiceAtOnePlace()
    {
        TAboutForm &about = m_windows->aboutForm;
        QList<QPoint> places;
        for (int showing = 0; showing < 2; ++showing) {
            QTimer::singleShot(0, &about, [&] {
                places << about.pos();
                about.accept();
            });
            m_windows->mainForm.HelpPopup->actions().at(2)->trigger();
        }
        QCOMPARE(about.ProgVerLabel->text(), QStringLiteral("Nesvara v. 1.0 b89"));
        QCOMPARE(places.size(), 2);
        QCOMPARE(places.at(0), places.at(1));
        QVERIFY(about.isHidden());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
