#include "player/tests/NoSoundAudio.h"
#include "shell/Assert.h"
#include "shell/ProgramWindows.h"
#include "shell/ui/FormHelpers.h"
#include "shell/ui/NesvaraApplication.h"
#include "voices/Techniques.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// The links of a help page, resolved against the page; an anchor is one link however many
// pieces of text it spans.
QList<QUrl> LinksOf(THelpForm &help, const QUrl &page)
{
    help.Browser->setSource(page);
    QList<QUrl> links;
    for (QTextBlock block = help.Browser->document()->begin(); block.isValid(); block = block.next())
        for (auto piece = block.begin(); !piece.atEnd(); ++piece) {
            const QTextCharFormat format = piece.fragment().charFormat();
            const QUrl link = page.resolved(QUrl(format.anchorHref()));
            if (format.isAnchor() && !format.anchorHref().isEmpty() && !links.contains(link))
                links << link;
        }
    return links;
}

QStringList AnchorsOf(const QTextDocument &document)
{
    QStringList names;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto piece = block.begin(); !piece.atEnd(); ++piece)
            names << piece.fragment().charFormat().anchorNames();
    return names;
}

} // namespace

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

    // Both help entries open the program's own help window, at their page; Escape closes it.
    void helpEntriesOpenTheHelpWindow_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("contentsRow");
        QTest::newRow("Описание программы") << 0 << QStringLiteral("index.html") << 0;
        QTest::newRow("О медитации") << 1 << QStringLiteral("techniques.html") << 1;
    }

    void helpEntriesOpenTheHelpWindow()
    {
        QFETCH(int, entry);
        QFETCH(QString, page);
        QFETCH(int, contentsRow);
        THelpForm &help = m_windows->helpForm;
        m_windows->mainForm.show();
        QVERIFY(help.isHidden());
        m_windows->mainForm.HelpPopup->actions().at(entry)->trigger();
        QVERIFY(help.isVisible());
        QCOMPARE(help.Browser->source(), THelpForm::PageUrl(page));
        QVERIFY(help.Browser->toPlainText().size() > 200);
        QCOMPARE(help.ContentsList->currentRow(), contentsRow);
        QTest::keyClick(&help, Qt::Key_Escape);
        QVERIFY(help.isHidden());
        m_windows->mainForm.hide();
    }

    // Every page of the contents loads, every page compiled in is in the contents, and every
    // link of every page leads to a page and a section that exist.
    void helpPagesLoadAndTheirLinksLead()
    {
        THelpForm &help = m_windows->helpForm;
        QStringList contents;
        for (int row = 0; row < help.ContentsList->count(); ++row) {
            help.ContentsList->setCurrentRow(row);
            const THelpForm::Page &page = THelpForm::Contents().at(row);
            QCOMPARE(help.ContentsList->item(row)->text(), page.title);
            QCOMPARE(help.Browser->source(), THelpForm::PageUrl(page.file));
            QVERIFY2(help.Browser->toPlainText().size() > 200, qPrintable(page.file));
            contents << page.file;
        }
        QStringList compiledIn = QDir(QStringLiteral(":/help")).entryList(QDir::Files);
        QCOMPARE(compiledIn.size(), contents.size());
        for (const QString &file : compiledIn)
            QVERIFY2(contents.contains(file), qPrintable(file + QStringLiteral(" is not in the contents")));

        int internalLinks = 0;
        for (const QString &file : contents) {
            for (const QUrl &link : LinksOf(help, THelpForm::PageUrl(file))) {
                const QString where = file + QStringLiteral(" → ") + link.toString();
                QVERIFY2(link.scheme() == QLatin1String("qrc"), qPrintable(where));
                QVERIFY2(QFile::exists(QLatin1Char(':') + link.path()), qPrintable(where));
                help.Browser->setSource(link);
                QVERIFY2(help.Browser->toPlainText().size() > 200, qPrintable(where));
                if (link.hasFragment())
                    QVERIFY2(AnchorsOf(*help.Browser->document()).contains(link.fragment()), qPrintable(where));
                ++internalLinks;
            }
        }
        QVERIFY(internalLinks >= contents.size());
    }

    // The help window is used from the keyboard: the arrows in the contents turn the pages,
    // and every control has a name that a screen reader reads out.
    void helpWindowByKeyboard()
    {
        THelpForm &help = m_windows->helpForm;
        help.ShowPage(QStringLiteral("index.html"));
        QApplication::setActiveWindow(&help);
        QVERIFY(QTest::qWaitForWindowActive(&help));
        QCOMPARE(QApplication::focusWidget(), help.Browser);
        help.ContentsList->setFocus();
        QTest::keyClick(help.ContentsList, Qt::Key_Down);
        QCOMPARE(help.Browser->source(), THelpForm::PageUrl(QStringLiteral("techniques.html")));
        QTest::keyClick(help.ContentsList, Qt::Key_End);
        QCOMPARE(help.Browser->source(), THelpForm::PageUrl(QStringLiteral("keys.html")));
        help.Browser->setFocus();
        // Alt+С, the mnemonic of "Содержание:"; a Cyrillic key is sent with its text.
        const auto cyrillicEs = Qt::Key(0x0421);
        QTest::sendKeyEvent(QTest::Press, help.Browser, cyrillicEs, QStringLiteral("с"), Qt::AltModifier);
        QTest::sendKeyEvent(QTest::Release, help.Browser, cyrillicEs, QStringLiteral("с"), Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), help.ContentsList);
        const QList<QWidget *> controls{help.ContentsList, help.Browser, help.BackButton, help.CloseButton};
        for (QWidget *control : controls) {
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible);
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), control->metaObject()->className());
            QVERIFY(control->focusPolicy() & Qt::TabFocus);
        }
        help.close();
    }

    // The techniques page names each of the nine techniques as the technique list does.
    void helpNamesEveryTechnique()
    {
        THelpForm &help = m_windows->helpForm;
        help.Browser->setSource(THelpForm::PageUrl(QStringLiteral("techniques.html")));
        const QString text = help.Browser->toPlainText();
        for (int tech = 0; tech < kTechCount; ++tech) {
            const QString name = MedTechName(static_cast<TMedTech>(tech));
            QVERIFY2(text.contains(name), qPrintable(name));
        }
    }

    // Back returns along the pages read, and the contents follow the page shown.
    void helpBackReturnsToThePageBefore()
    {
        THelpForm &help = m_windows->helpForm;
        help.ShowPage(QStringLiteral("index.html"));
        help.ContentsList->setCurrentRow(4);
        help.Browser->setSource(THelpForm::PageUrl(QStringLiteral("journal.html#csv")));
        QCOMPARE(help.ContentsList->currentRow(), 5);
        QVERIFY(help.BackButton->isEnabled());
        help.BackButton->click();
        QCOMPARE(help.Browser->source().fileName(), QStringLiteral("settings.html"));
        QCOMPARE(help.ContentsList->currentRow(), 4);
        QTest::keySequence(help.Browser, QKeySequence::Back);
        QCOMPARE(help.Browser->source().fileName(), QStringLiteral("index.html"));
        QCOMPARE(help.ContentsList->currentRow(), 0);
        help.close();
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
        QVERIFY(about.WebSiteLabel->text().contains(QStringLiteral("href=\"http://www.nesvara.example/\"")));
        QVERIFY(about.WebSiteLabel->openExternalLinks());
        QCOMPARE(places.size(), 2);
        QCOMPARE(places.at(0), places.at(1));
        QVERIFY(about.isHidden());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
