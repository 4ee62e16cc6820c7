#include "DialogTestSupport.h"

#include "playlists/Mp3FilesList.h"
#include "playlists/ui/AutoMusicListsUpdateForm.h"
#include "playlists/ui/ChooseDirForm.h"
#include "playlists/ui/ChooseFolderForm.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

QStringList Names(const TMp3FilesList &lists)
{
    QStringList names;
    for (qint32 index = 0; index < lists.flistscount; ++index)
        names.append(lists.at(index).name);
    return names;
}

QStringList NumberedFolders(int from, int to)
{
    QStringList folders;
    for (int number = from; number <= to; ++number)
        folders.append(QStringLiteral("/d%1/").arg(number));
    return folders;
}

// A music collection with one playlist and a given folder history.
struct MusicCollection
{
    TMp3FilesList lists;
    explicit MusicCollection(const QStringList &history)
    {
        lists.AddList(QStringLiteral("Старый"));
        lists.at(0).mp3files = {QStringLiteral("/old/1.mp3")};
        lists.FLastBigFolder = QStringLiteral("/old/");
        lists.FLastBigFolderReadType = 2;
        lists.FLastBigFoldersList = history;
        lists.FChanged = false;
    }
};

} // namespace

class TestFolderDialogs : public QObject
{
    Q_OBJECT

private slots:
    void chooserStartsWithEachSubfolderMode();
    void getFolderHistoryRules_data();
    void getFolderHistoryRules();
    void getFolderCancelChangesNothing();
    void typedFolderIsNotCompletedFromHistory();
    void changeButtonTakesBrowsedFolder();
    void dirBrowserReturnsFolderWithSeparator();
    void dirBrowserOpensAtTypedFolder_data();
    void dirBrowserOpensAtTypedFolder();
    void dirBrowserIsOneInstance();
    void checkUpdateWithoutUsableFolder_data();
    void checkUpdateWithoutUsableFolder();
    void checkUpdateRebuildsAndSaves();
    void checkUpdateCancelChangesNothing();
    void checkUpdateThatFindsNothingChangesNothing();
    void checkUpdateAsksBeforeDroppingPlaylists_data();
    void checkUpdateAsksBeforeDroppingPlaylists();
    void checkUpdateFailedSaveKeepsCollection();
};

void TestFolderDialogs::chooserStartsWithEachSubfolderMode()
{
    TChooseFolderForm form;
    QCOMPARE(form.ListBox1->count(), 4);
    QCOMPARE(form.ListBox1->item(2)->text(),
             QStringLiteral("Добавить каждый файл из этого каталога  как отдельный плейлист"));
    QString dir;
    qint32 extrtype = -5;
    QStringList history;
    RunWhileModal(form, [&] { return form.GetFolder(dir, extrtype, history); }, [&] {
        form.CommonFolderCombo->setEditText(QStringLiteral("/music/"));
        form.Button1->click();
    });
    QCOMPARE(extrtype, 1);
}

void TestFolderDialogs::getFolderHistoryRules_data()
{
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QStringList>("expectedHistory");

    QTest::newRow("separator appended")
        << QStringList() << QStringLiteral("/music/rock") << true << QStringLiteral("/music/rock/")
        << QStringList{QStringLiteral("/music/rock/")};
    QTest::newRow("trailing slash kept")
        << QStringList{QStringLiteral("/a/")} << QStringLiteral("/music/rock/") << true
        << QStringLiteral("/music/rock/")
        << QStringList{QStringLiteral("/a/"), QStringLiteral("/music/rock/")};
    QTest::newRow("trailing backslash kept")
        << QStringList() << QStringLiteral("D:\\Music\\") << true << QStringLiteral("D:\\Music\\")
        << QStringList{QStringLiteral("D:\\Music\\")};
    QTest::newRow("same folder in other case not repeated")
        << QStringList{QStringLiteral("/Music/Rock/"), QStringLiteral("/b/")}
        << QStringLiteral("/music/rock") << true << QStringLiteral("/music/rock/")
        << QStringList{QStringLiteral("/Music/Rock/"), QStringLiteral("/b/")};
    QTest::newRow("20 folders kept") << NumberedFolders(1, 19) << QStringLiteral("/d20") << true
                                     << QStringLiteral("/d20/") << NumberedFolders(1, 20);
    QTest::newRow("21st drops the oldest") << NumberedFolders(0, 19) << QStringLiteral("/d20")
                                           << true << QStringLiteral("/d20/")
                                           << NumberedFolders(1, 20);
    // A blank field is answered in the dialog, which stays open; leaving it is a cancel.
    QTest::newRow("blank") << QStringList{QStringLiteral("/a/")} << QStringLiteral(" \t ") << false
                           << QString() << QStringList{QStringLiteral("/a/")};
}

void TestFolderDialogs::getFolderHistoryRules()
{
    QFETCH(QStringList, history);
    QFETCH(QString, typed);
    QFETCH(bool, result);
    QFETCH(QString, dir);
    QFETCH(QStringList, expectedHistory);
    TChooseFolderForm form;
    QStringList messages;
    form.ShowMessage = [&](QWidget *, const QString &text) { messages.append(text); };
    const QStringList offered = history;
    QString chosen = QStringLiteral("stale");
    qint32 extrtype = 42;

    bool accepted = false;
    RunWhileModal(form, [&] { return form.GetFolder(chosen, extrtype, history); }, [&] {
        QCOMPARE(form.CommonFolderCombo->count(), offered.size());
        if (!offered.isEmpty())
            QCOMPARE(form.CommonFolderCombo->itemText(0), offered.first());
        form.ListBox1->setCurrentRow(3);
        form.CommonFolderCombo->setEditText(typed);
        form.Button1->click();
    }, &accepted);

    QCOMPARE(accepted, result);
    QCOMPARE(chosen, dir);
    QCOMPARE(history, expectedHistory);
    QCOMPARE(extrtype, result ? 3 : 42);
    QCOMPARE(messages, result ? QStringList() : QStringList{QStringLiteral("Укажите каталог.")});
}

// Typing a folder that begins an older one of the history keeps what was typed.
void TestFolderDialogs::typedFolderIsNotCompletedFromHistory()
{
    TChooseFolderForm form;
    QStringList history{QStringLiteral("/music/fold/empty/")};
    QString dir;
    qint32 extrtype = -1;
    RunWhileModal(form, [&] { return form.GetFolder(dir, extrtype, history); }, [&] {
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.CommonFolderCombo->setEditText(QString());
        form.CommonFolderCombo->lineEdit()->setFocus();
        QTest::keyClicks(form.CommonFolderCombo->lineEdit(), QStringLiteral("/music/fold"));
        form.Button1->click();
    });
    QCOMPARE(dir, QStringLiteral("/music/fold/"));
}

void TestFolderDialogs::getFolderCancelChangesNothing()
{
    TChooseFolderForm form;
    QStringList history{QStringLiteral("/a/")};
    QString dir = QStringLiteral("stale");
    qint32 extrtype = 42;
    bool accepted = true;
    RunWhileModal(form, [&] { return form.GetFolder(dir, extrtype, history); }, [&] {
        form.CommonFolderCombo->setEditText(QStringLiteral("/new/"));
        form.Button2->click();
    }, &accepted);
    QVERIFY(!accepted);
    QVERIFY(dir.isEmpty());
    QCOMPARE(extrtype, 42);
    QCOMPARE(history, QStringList{QStringLiteral("/a/")});
}

void TestFolderDialogs::changeButtonTakesBrowsedFolder()
{
    TChooseFolderForm form;
    QStringList typedAtBrowse;
    form.ChooseDir = [&](const QString &typed, QString &res) {
        typedAtBrowse << typed;
        res = QStringLiteral("/browsed/folder/");
        return true;
    };
    QStringList history;
    QString dir;
    qint32 extrtype = -1;
    RunWhileModal(form, [&] { return form.GetFolder(dir, extrtype, history); }, [&] {
        form.CommonFolderCombo->setEditText(QStringLiteral("/home/typed"));
        form.Button10->click();
        // The browser is opened at what the field holds.
        QCOMPARE(typedAtBrowse, QStringList{QStringLiteral("/home/typed")});
        QCOMPARE(form.CommonFolderCombo->currentText(), QStringLiteral("/browsed/folder/"));
        form.Button1->click();
    });
    QCOMPARE(dir, QStringLiteral("/browsed/folder/"));

    // A browser closed without OK leaves the typed folder alone.
    form.ChooseDir = [](const QString &, QString &) { return false; };
    RunWhileModal(form, [&] { return form.GetFolder(dir, extrtype, history); }, [&] {
        form.CommonFolderCombo->setEditText(QStringLiteral("/typed/"));
        form.Button10->click();
        form.Button1->click();
    });
    QCOMPARE(dir, QStringLiteral("/typed/"));
}

void TestFolderDialogs::dirBrowserReturnsFolderWithSeparator()
{
    QTemporaryDir tmp;
    const QString folder = tmp.filePath(QStringLiteral("Музыка"));
    QDir().mkpath(folder);
    TChooseDirForm form;
    QString res;
    bool accepted = false;
    RunWhileModal(form, [&] { return form.GetDir(res); }, [&] {
        QCOMPARE(form.DriveComboBox1->itemText(0), QDir::rootPath());
        form.SetCurrentFolder(folder);
        QCOMPARE(form.Label1->toolTip(), folder);
        form.SpeedButton1->click();
    }, &accepted);
    QVERIFY(accepted);
    QCOMPARE(res, folder + QLatin1Char('/'));
}

void TestFolderDialogs::dirBrowserOpensAtTypedFolder_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("opensAt");
    QTest::newRow("a folder") << QStringLiteral("Музыка/Утро") << QStringLiteral("Музыка/Утро");
    QTest::newRow("a folder not there: its parent")
        << QStringLiteral("Музыка/Вечер/") << QStringLiteral("Музыка");
    QTest::newRow("blank: home") << QString() << QStringLiteral("~");
    QTest::newRow("nothing of it there: the root")
        << QStringLiteral("/nesvara-no-such-folder/x") << QStringLiteral("/");
}

// The browser opens where the user was: at the typed folder, or as near to it as exists,
// and OK at once takes that folder. Each opening starts again from what is typed.
void TestFolderDialogs::dirBrowserOpensAtTypedFolder()
{
    QFETCH(QString, typed);
    QFETCH(QString, opensAt);
    QTemporaryDir tmp;
    QVERIFY(QDir(tmp.path()).mkpath(QStringLiteral("Музыка/Утро")));
    const auto absolute = [&](const QString &path) {
        if (path == QLatin1String("~"))
            return QDir::homePath();
        return path.startsWith(QLatin1Char('/')) ? path : QDir::cleanPath(tmp.filePath(path));
    };
    const QString expected = absolute(opensAt);
    TChooseDirForm form;
    QString res;
    bool accepted = false;
    for (int opening = 0; opening < 2; ++opening) {
        RunWhileModal(form, [&] { return form.GetDir(res, typed.isEmpty() ? typed : absolute(typed)); }, [&] {
            QCOMPARE(form.CurrentFolder(), expected);
            QCOMPARE(form.Label1->toolTip(), expected);
            QVERIFY(expected.startsWith(form.DriveComboBox1->currentText()));
            // The tree is opened down to it and shows it, once its folders have loaded.
            QTreeView *tree = form.DirectoryListBox1;
            if (tree->currentIndex() != tree->rootIndex())
                QTRY_VERIFY(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
            if (opening == 0)
                form.SetCurrentFolder(QDir::rootPath());
            form.SpeedButton1->click();
        }, &accepted);
        QVERIFY(accepted);
    }
    QCOMPARE(res, expected == QDir::rootPath() ? expected : expected + QLatin1Char('/'));
}

void TestFolderDialogs::dirBrowserIsOneInstance()
{
    TChooseDirForm *first = ChooseDirForm();
    QVERIFY(first);
    QCOMPARE(ChooseDirForm(), first);
}

void TestFolderDialogs::checkUpdateWithoutUsableFolder_data()
{
    QTest::addColumn<bool>("withHistory");
    QTest::newRow("empty history") << false;
    QTest::newRow("last folder removed, older one exists") << true;
}

void TestFolderDialogs::checkUpdateWithoutUsableFolder()
{
    QFETCH(bool, withHistory);
    QTemporaryDir tmp;
    const QString removed = tmp.filePath(QStringLiteral("removed")) + QLatin1Char('/');
    MusicCollection music(withHistory ? QStringList{tmp.path() + QLatin1Char('/'), removed}
                                      : QStringList());
    const QString file = tmp.filePath(QStringLiteral("musiclists.bin"));
    TAutoMusicListsUpdateForm form;
    QStringList messages;
    form.ShowMessage = [&](QWidget *, const QString &text) { messages.append(text); };

    bool result = true;
    const bool shown = RunWhileModal(form, [&] { return form.CheckUpdate(music.lists, file); },
                                     [] {}, &result);

    QVERIFY(!result);
    QVERIFY(!shown);
    QCOMPARE(messages, QStringList{QStringLiteral("Не найден последний каталог!")});
    QCOMPARE(Names(music.lists), QStringList{QStringLiteral("Старый")});
    QVERIFY(!music.lists.FChanged);
    QVERIFY(!QFileInfo::exists(file));
}

void TestFolderDialogs::checkUpdateRebuildsAndSaves()
{
    QTemporaryDir tmp;
    const QString root = tmp.filePath(QStringLiteral("Музыка")) + QLatin1Char('/');
    for (const char *file : {"loose.mp3", "Sub1/b.mp3", "Sub1/Deep/c.mp3", "Sub2/d.mp3",
                             "Empty/readme.txt"})
        TouchFile(root + QString::fromUtf8(file));
    const QStringList history{tmp.path() + QLatin1Char('/'), root};
    MusicCollection music(history);
    const QString file = tmp.filePath(QStringLiteral("musiclists.bin"));
    TAutoMusicListsUpdateForm form;
    QStringList messages;
    form.ShowMessage = [&](QWidget *, const QString &text) { messages.append(text); };
    QStringList questions;
    form.AskYesNo = [&](QWidget *, const QString &question) {
        questions.append(question);
        return true;
    };

    bool result = false;
    RunWhileModal(form, [&] { return form.CheckUpdate(music.lists, file); }, [&] {
        QCOMPARE(form.Label3->text().remove(QChar(0x200B)), root);
        form.Button1->click();
    }, &result);

    QVERIFY(result);
    QVERIFY(messages.isEmpty());
    QCOMPARE(questions, QStringList{QStringLiteral("Будет удалено плейлистов: 1 из 1. Продолжить?")});
    TMp3FilesList saved;
    saved.LoadFromFile(file);
    const QStringList expected{QStringLiteral("Deep"), QStringLiteral("Sub1"),
                               QStringLiteral("Sub2")};
    QCOMPARE(Names(saved), expected);
    QCOMPARE(saved.at(0).mp3files, QStringList{root + QStringLiteral("Sub1/Deep/c.mp3")});
    QCOMPARE(saved.FLastBigFolder, root);
    QCOMPARE(saved.FLastBigFolderReadType, 0);
    QCOMPARE(saved.FLastBigFoldersList, history);
    QCOMPARE(Names(music.lists), expected);
    QCOMPARE(music.lists.FLastBigFolder, root);
    QCOMPARE(music.lists.FLastBigFolderReadType, 0);
    QCOMPARE(music.lists.FLastBigFoldersList, history);
}

void TestFolderDialogs::checkUpdateCancelChangesNothing()
{
    QTemporaryDir tmp;
    TouchFile(tmp.filePath(QStringLiteral("Sub/a.mp3")));
    MusicCollection music({tmp.path() + QLatin1Char('/')});
    const QString file = tmp.filePath(QStringLiteral("musiclists.bin"));
    TAutoMusicListsUpdateForm form;

    bool result = true;
    RunWhileModal(form, [&] { return form.CheckUpdate(music.lists, file); },
                  [&] { form.Button2->click(); }, &result);

    QVERIFY(!result);
    QCOMPARE(Names(music.lists), QStringList{QStringLiteral("Старый")});
    QCOMPARE(music.lists.FLastBigFolderReadType, 2);
    QVERIFY(!QFileInfo::exists(file));
}

// A last folder without subfolders of MP3 files would leave no music at all.
void TestFolderDialogs::checkUpdateThatFindsNothingChangesNothing()
{
    QTemporaryDir tmp;
    TouchFile(tmp.filePath(QStringLiteral("loose.mp3")));
    TouchFile(tmp.filePath(QStringLiteral("Empty/readme.txt")));
    MusicCollection music({tmp.path() + QLatin1Char('/')});
    const QString file = tmp.filePath(QStringLiteral("musiclists.bin"));
    TAutoMusicListsUpdateForm form;
    QStringList messages;
    form.ShowMessage = [&](QWidget *, const QString &text) { messages.append(text); };

    bool result = true;
    RunWhileModal(form, [&] { return form.CheckUpdate(music.lists, file); },
                  [&] { form.Button1->click(); }, &result);

    QVERIFY(!result);
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages.first().contains(QStringLiteral("нет подкаталогов с MP3-файлами")));
    QCOMPARE(Names(music.lists), QStringList{QStringLiteral("Старый")});
    QVERIFY(!QFileInfo::exists(file));
}

void TestFolderDialogs::checkUpdateAsksBeforeDroppingPlaylists_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("yes rebuilds") << true;
    QTest::newRow("no keeps the old playlists") << false;
}

void TestFolderDialogs::checkUpdateAsksBeforeDroppingPlaylists()
{
    QFETCH(bool, answer);
    QTemporaryDir tmp;
    TouchFile(tmp.filePath(QStringLiteral("Старый/a.mp3")));
    TouchFile(tmp.filePath(QStringLiteral("Новый/b.mp3")));
    MusicCollection music({tmp.path() + QLatin1Char('/')});
    music.lists.AddList(QStringLiteral("Ушедший 1"));
    music.lists.AddList(QStringLiteral("Ушедший 2"));
    const QString file = tmp.filePath(QStringLiteral("musiclists.bin"));
    TAutoMusicListsUpdateForm form;
    QStringList questions;
    form.AskYesNo = [&](QWidget *, const QString &question) {
        questions.append(question);
        return answer;
    };

    bool result = !answer;
    RunWhileModal(form, [&] { return form.CheckUpdate(music.lists, file); },
                  [&] { form.Button1->click(); }, &result);

    // "Старый" comes back from its subfolder; the two others would go.
    QCOMPARE(questions, QStringList{QStringLiteral("Будет удалено плейлистов: 2 из 3. Продолжить?")});
    QCOMPARE(result, answer);
    QCOMPARE(QFileInfo::exists(file), answer);
    QCOMPARE(music.lists.flistscount, answer ? 2 : 3);
}

// The rebuilt collection replaces the caller's only once it is on disk.
void TestFolderDialogs::checkUpdateFailedSaveKeepsCollection()
{
    QTemporaryDir tmp;
    TouchFile(tmp.filePath(QStringLiteral("Sub/a.mp3")));
    MusicCollection music({tmp.path() + QLatin1Char('/')});
    // A file where the folder should be: the folder cannot be made, so the save fails.
    TouchFile(tmp.filePath(QStringLiteral("missing")));
    const QString file = tmp.filePath(QStringLiteral("missing/musiclists.bin"));
    TAutoMusicListsUpdateForm form;
    QStringList messages;
    form.ShowMessage = [&](QWidget *, const QString &text) { messages.append(text); };
    form.AskYesNo = [](QWidget *, const QString &) { return true; };

    bool result = true;
    RunWhileModal(form, [&] { return form.CheckUpdate(music.lists, file); },
                  [&] { form.Button1->click(); }, &result);

    QVERIFY(!result);
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages.first().contains(QStringLiteral("musiclists.bin")));
    QCOMPARE(Names(music.lists), QStringList{QStringLiteral("Старый")});
    QCOMPARE(music.lists.FLastBigFolder, QStringLiteral("/old/"));
    QCOMPARE(music.lists.FLastBigFolderReadType, 2);
}

QTEST_MAIN(TestFolderDialogs)
#include "tst_folderdialogs.moc"
