#include "DialogTestSupport.h"

#include "playlists/Mp3FilesList.h"
#include "playlists/ui/Mp3FilesListsForm.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <utility>

namespace {

struct PlaylistSpec
{
    QString name;
    QStringList files;
    double vol = 1.0;
};

std::unique_ptr<TMp3FilesList> MakeLists(const QList<PlaylistSpec> &specs)
{
    auto lists = std::make_unique<TMp3FilesList>();
    for (const PlaylistSpec &spec : specs) {
        lists->AddList(spec.name);
        TMp3ListItem &item = lists->at(lists->flistscount - 1);
        item.mp3files = spec.files;
        item.Vol = spec.vol;
    }
    return lists;
}

QStringList Names(const TMp3FilesList &lists)
{
    QStringList names;
    for (qint32 index = 0; index < lists.flistscount; ++index)
        names.append(lists.at(index).name);
    return names;
}

QString Localized(QString number)
{
    return number.replace(QLatin1Char('.'), QLocale::system().decimalPoint());
}

// A folder chooser that answers with a fixed folder and mode, and records the folder in
// the history it was given, as the real one does.
class FakeFolderChooser : public IFolderChooser
{
public:
    QString dir;
    qint32 mode = -1;

    bool GetFolder(QString &chosen, qint32 &extrtype, QStringList &prevdirs) override
    {
        chosen = dir;
        extrtype = mode;
        prevdirs.append(dir);
        return true;
    }
};

// One editor with every standard dialog answered by the test.
struct Editor
{
    FakeFolderChooser folders;
    TMp3FilesListsForm form{&folders};
    bool answer = false;
    QStringList questions;
    QStringList messages;
    QStringList filesToChoose;
    QStringList fileTitles;
    // What the many-files dialog answers, once.
    QStringList manyFilesToChoose;

    Editor()
    {
        form.AskYesNo = [this](QWidget *, const QString &question) {
            questions.append(question);
            return answer;
        };
        form.ShowMessage = [this](QWidget *, const QString &text) { messages.append(text); };
        form.ChooseFile = [this](QWidget *, const QString &title) {
            fileTitles.append(title);
            return filesToChoose.isEmpty() ? QString() : filesToChoose.takeFirst();
        };
        form.ChooseFiles = [this](QWidget *, const QString &title) {
            fileTitles.append(title);
            return std::exchange(manyFilesToChoose, {});
        };
    }

    // Opens the editor on `lists`, runs `steps` in it; returns EditList's result.
    bool Edit(TMp3FilesList &lists, const QString &file, const std::function<void()> &steps,
              bool *leftOpen = nullptr)
    {
        bool result = false;
        const bool open = RunWhileModal(
            form, [&] { return form.EditList(lists, file); }, steps, &result);
        if (leftOpen)
            *leftOpen = open;
        return result;
    }
};

} // namespace

class TestPlaylistEditor : public QObject
{
    Q_OBJECT

private slots:
    void cancelAfterSaveKeepsCallerCollection();
    void okRightAfterOpeningAsksToSave_data();
    void okRightAfterOpeningAsksToSave();
    void renameIsLostUnlessWrittenBackFirst_data();
    void renameIsLostUnlessWrittenBackFirst();
    void clickInNamesBoxWritesBackFirst();
    void deletingLastPlaylistSelectsFirst();
    void volumeShownAndStored_data();
    void volumeShownAndStored();
    void typedVolumeIsStoredWithoutLimit();
    void volumeThatIsNoNumberStopsOk();
    void failedSaveKeepsWindowOpen();
    void manyFilesComeFromOneDialogInOrder();
    void addFolderByMode_data();
    void addFolderByMode();
    void addFolderThatGivesNothingSaysSo_data();
    void addFolderThatGivesNothingSaysSo();
    void emptyCollectionIgnoresFileEdits();
    void deleteAllAsksFirst();
    void fileButtonsEditDisplayedPlaylist();
};

void TestPlaylistEditor::cancelAfterSaveKeepsCallerCollection()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("musiclists.bin"));
    auto lists = MakeLists({{QStringLiteral("Утро"), {QStringLiteral("/m/1.mp3")}},
                            {QStringLiteral("Вечер"), {}}});
    Editor editor;

    const bool result = editor.Edit(*lists, file, [&] {
        editor.form.CurListNameEdit->setText(QStringLiteral("Рассвет"));
        editor.form.Button4->click();
        QVERIFY(!editor.form.Changed());
        editor.form.Button6->click();
    });

    QVERIFY(!result);
    QCOMPARE(Names(*lists), QStringList({QStringLiteral("Утро"), QStringLiteral("Вечер")}));
    TMp3FilesList saved;
    saved.LoadFromFile(file);
    QCOMPARE(Names(saved), QStringList({QStringLiteral("Рассвет"), QStringLiteral("Вечер")}));
    QCOMPARE(saved.at(0).mp3files, QStringList{QStringLiteral("/m/1.mp3")});
}

void TestPlaylistEditor::okRightAfterOpeningAsksToSave_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("no: nothing saved") << false;
    QTest::newRow("yes: saved") << true;
}

// Showing the first playlist fills the empty name field, which counts as a change.
void TestPlaylistEditor::okRightAfterOpeningAsksToSave()
{
    QFETCH(bool, answer);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("backsoundslists.bin"));
    auto lists = MakeLists({{QStringLiteral("Дождь"), {QStringLiteral("/s/rain.mp3")}, 0.4}});
    Editor editor;
    editor.answer = answer;

    const bool result = editor.Edit(*lists, file, [&] { editor.form.Button5->click(); });

    QVERIFY(result);
    QCOMPARE(editor.questions, QStringList{QStringLiteral("Сохранить изменения?")});
    QCOMPARE(QFileInfo::exists(file), answer);
    // "Нет" says the changes last for this session only.
    QCOMPARE(editor.messages.size(), answer ? 0 : 1);
    if (!answer)
        QVERIFY(editor.messages.first().contains(QStringLiteral("только до закрытия программы")));
    QCOMPARE(Names(*lists), QStringList{QStringLiteral("Дождь")});
    QCOMPARE(lists->at(0).Vol, 0.4);
    if (answer) {
        TMp3FilesList saved;
        saved.LoadFromFile(file);
        QCOMPARE(Names(saved), QStringList{QStringLiteral("Дождь")});
    }
}

void TestPlaylistEditor::renameIsLostUnlessWrittenBackFirst_data()
{
    QTest::addColumn<bool>("focusNamesBoxFirst");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("up arrow at once: rename lost")
        << false << QStringList{QStringLiteral("Второй"), QStringLiteral("Первый")};
    QTest::newRow("names box focused first: rename kept")
        << true << QStringList{QStringLiteral("Новый"), QStringLiteral("Первый")};
}

void TestPlaylistEditor::renameIsLostUnlessWrittenBackFirst()
{
    QFETCH(bool, focusNamesBoxFirst);
    QFETCH(QStringList, expected);
    auto lists = MakeLists({{QStringLiteral("Первый"), {}}, {QStringLiteral("Второй"), {}}});
    Editor editor;

    const bool result = editor.Edit(*lists, QString(), [&] {
        editor.form.ListBox1->setCurrentRow(1);
        editor.form.CurListNameEdit->setText(QStringLiteral("Новый"));
        if (focusNamesBoxFirst)
            editor.form.ListBox1Enter();
        editor.form.SpeedButton1->click();
        QCOMPARE(editor.form.ListBox1->currentRow(), 0);
        QCOMPARE(editor.form.CurListNameEdit->text(), expected.first());
        QCOMPARE(editor.form.ListBox1->item(0)->text(), expected.first());
        editor.form.Button5->click();
    });

    QVERIFY(result);
    QCOMPARE(Names(*lists), expected);
}

// A mouse click gives the names box the focus before it changes the selection, so the
// displayed playlist's edits reach the working copy and the renamed entry is shown.
void TestPlaylistEditor::clickInNamesBoxWritesBackFirst()
{
    auto lists = MakeLists({{QStringLiteral("Первый"), {}}, {QStringLiteral("Второй"), {}}});
    Editor editor;

    editor.Edit(*lists, QString(), [&] {
        auto &form = editor.form;
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.CurListNameEdit->setFocus();
        form.CurListNameEdit->setText(QStringLiteral("Новый"));
        form.VolumeEdit->setText(Localized(QStringLiteral("25")));
        const QRect second = form.ListBox1->visualItemRect(form.ListBox1->item(1));
        QTest::mouseClick(form.ListBox1->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(form.ListBox1->currentRow(), 1);
        QCOMPARE(form.CurListNameEdit->text(), QStringLiteral("Второй"));
        QCOMPARE(form.ListBox1->item(0)->text(), QStringLiteral("Новый"));
        QCOMPARE(form.WorkingCopy().at(0).Vol, 0.25);
        form.Button6->click();
    });
}

void TestPlaylistEditor::deletingLastPlaylistSelectsFirst()
{
    auto lists = MakeLists({{QStringLiteral("А"), {}, 0.5},
                            {QStringLiteral("Б"), {}},
                            {QStringLiteral("В"), {}}});
    Editor editor;

    editor.Edit(*lists, QString(), [&] {
        editor.form.ListBox1->setCurrentRow(2);
        editor.form.Button8->click();
        QCOMPARE(editor.form.ListBox1->count(), 2);
        QCOMPARE(editor.form.ListBox1->currentRow(), 0);
        QVERIFY(editor.form.ListBox1->item(0)->isSelected());
        QCOMPARE(editor.form.CurListNameEdit->text(), QStringLiteral("А"));
        QCOMPARE(editor.form.VolumeScroll->value(), 500);
        QCOMPARE(Names(editor.form.WorkingCopy()),
                 QStringList({QStringLiteral("А"), QStringLiteral("Б")}));
        editor.form.Button6->click();
    });
}

void TestPlaylistEditor::volumeShownAndStored_data()
{
    QTest::addColumn<double>("vol");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("stored");
    QTest::newRow("0 raised to the lowest step") << 0.0 << 1 << QStringLiteral("0.1") << 0.001;
    QTest::newRow("0.1234 to the nearest step") << 0.1234 << 123 << QStringLiteral("12.3") << 0.123;
    QTest::newRow("0.0625 half to even") << 0.0625 << 62 << QStringLiteral("6.2") << 0.062;
    QTest::newRow("0.125 exact") << 0.125 << 125 << QStringLiteral("12.5") << 0.125;
    QTest::newRow("0.4 whole percent") << 0.4 << 400 << QStringLiteral("40") << 0.4;
    QTest::newRow("1.5 limited to 100 %") << 1.5 << 1000 << QStringLiteral("100") << 1.0;
}

void TestPlaylistEditor::volumeShownAndStored()
{
    QFETCH(double, vol);
    QFETCH(int, position);
    QFETCH(QString, text);
    QFETCH(double, stored);
    auto lists = MakeLists({{QStringLiteral("Музыка"), {}, vol}});
    Editor editor;

    editor.Edit(*lists, QString(), [&] {
        QCOMPARE(editor.form.VolumeScroll->value(), position);
        QCOMPARE(editor.form.VolumeEdit->text(), Localized(text));
        editor.form.Button5->click();
    });

    QCOMPARE(lists->at(0).Vol, stored);
}

void TestPlaylistEditor::typedVolumeIsStoredWithoutLimit()
{
    auto lists = MakeLists({{QStringLiteral("Громко"), {}}});
    Editor editor;

    editor.Edit(*lists, QString(), [&] {
        editor.form.VolumeEdit->setText(Localized(QStringLiteral("150")));
        editor.form.ListBox1Enter();
        QCOMPARE(editor.form.WorkingCopy().at(0).Vol, 1.5);
        editor.form.VolumeEdit->setText(Localized(QStringLiteral("12.75")));
        editor.form.Button5->click();
    });

    QCOMPARE(lists->at(0).Vol, 0.1275);
}

// The file list and the name are written back before the volume is read; OK goes no
// further and the window stays open.
void TestPlaylistEditor::volumeThatIsNoNumberStopsOk()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("musiclists.bin"));
    auto lists = MakeLists({{QStringLiteral("Старое"), {}, 0.3}});
    Editor editor;
    editor.answer = true;

    bool leftOpen = false;
    const bool result = editor.Edit(*lists, file, [&] {
        editor.form.CurListNameEdit->setText(QStringLiteral("Новое"));
        editor.form.VolumeEdit->setText(QStringLiteral("громко"));
        editor.form.Button5->click();
        QCOMPARE(editor.form.WorkingCopy().at(0).name, QStringLiteral("Новое"));
        QCOMPARE(editor.form.WorkingCopy().at(0).Vol, 0.3);
    }, &leftOpen);

    QVERIFY(leftOpen);
    QVERIFY(!result);
    QCOMPARE(editor.messages.size(), 1);
    QVERIFY(editor.messages.first().contains(QStringLiteral("громко")));
    QVERIFY(editor.questions.isEmpty());
    QVERIFY(!QFileInfo::exists(file));
    QCOMPARE(lists->at(0).name, QStringLiteral("Старое"));
}

void TestPlaylistEditor::failedSaveKeepsWindowOpen()
{
    QTemporaryDir dir;
    // A file where the folder should be: the folder cannot be made, so the save fails.
    QFile blocker(dir.filePath(QStringLiteral("missing")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString file = dir.filePath(QStringLiteral("missing/musiclists.bin"));
    auto lists = MakeLists({{QStringLiteral("Старое"), {}}});
    Editor editor;
    editor.answer = true;

    bool leftOpen = false;
    const bool result = editor.Edit(*lists, file, [&] {
        editor.form.CurListNameEdit->setText(QStringLiteral("Новое"));
        editor.form.Button4->click();
        QVERIFY(editor.form.Changed());
        QVERIFY(editor.form.isVisible());
        editor.form.Button5->click();
    }, &leftOpen);

    QVERIFY(leftOpen);
    QVERIFY(!result);
    QCOMPARE(editor.messages.size(), 2);
    QCOMPARE(editor.questions, QStringList{QStringLiteral("Сохранить изменения?")});
    QCOMPARE(lists->at(0).name, QStringLiteral("Старое"));
}

void TestPlaylistEditor::manyFilesComeFromOneDialogInOrder()
{
    const QString first = QStringLiteral("/music/Утренние/c.mp3");
    const QString second = QStringLiteral("/music/Утренние/a.mp3");
    const QString third = QStringLiteral("/other/b.mp3");
    auto lists = MakeLists({{QStringLiteral("Есть"), {}}});
    Editor editor;
    editor.manyFilesToChoose = {first, second, third};

    editor.Edit(*lists, QString(), [&] {
        editor.form.Button15->click();
        QCOMPARE(editor.form.ListBox1->currentRow(), 1);
        QCOMPARE(editor.form.CurListNameEdit->text(), QStringLiteral("Утренние"));
        QCOMPARE(editor.form.fileslist->count(), 3);
        // A cancelled dialog adds nothing.
        editor.form.Button15->click();
        QCOMPARE(editor.form.ListBox1->count(), 2);
        editor.form.Button5->click();
    });

    const QString title = QStringLiteral("Выберите файлы (несколько — с Ctrl или Shift)");
    QCOMPARE(editor.fileTitles, QStringList(2, title));
    QCOMPARE(Names(*lists), QStringList({QStringLiteral("Есть"), QStringLiteral("Утренние")}));
    QCOMPARE(lists->at(1).mp3files, QStringList({first, second, third}));
    QCOMPARE(lists->at(1).Vol, 1.0);
}

void TestPlaylistEditor::addFolderByMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("firstAddedFiles");
    QTest::addColumn<bool>("recordsFolder");
    QTest::addColumn<int>("readType");
    QTest::newRow("0: the folder as one playlist")
        << 0 << QStringList{QStringLiteral("Корень")}
        << QStringList{QStringLiteral("a.mp3"), QStringLiteral("z.MP3")} << false << 7;
    QTest::newRow("1: each subfolder")
        << 1
        << QStringList{QStringLiteral("Deep"), QStringLiteral("Sub1"), QStringLiteral("Sub2")}
        << QStringList{QStringLiteral("Sub1/Deep/c.mp3")} << true << 0;
    QTest::newRow("2: each file of the folder")
        << 2 << QStringList{QStringLiteral("a.mp3"), QStringLiteral("z.MP3")}
        << QStringList{QStringLiteral("a.mp3")} << true << 1;
    QTest::newRow("3: each file with subfolders")
        << 3
        << QStringList{QStringLiteral("c.mp3"), QStringLiteral("b.mp3"), QStringLiteral("d.mp3"),
                       QStringLiteral("a.mp3"), QStringLiteral("z.MP3")}
        << QStringList{QStringLiteral("Sub1/Deep/c.mp3")} << true << 2;
    QTest::newRow("no mode selected") << -1 << QStringList() << QStringList() << false << 7;
}

void TestPlaylistEditor::addFolderByMode()
{
    QFETCH(int, mode);
    QFETCH(QStringList, added);
    QFETCH(QStringList, firstAddedFiles);
    QFETCH(bool, recordsFolder);
    QFETCH(int, readType);
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("Корень")) + QLatin1Char('/');
    for (const char *file : {"a.mp3", "z.MP3", "notes.txt", "Sub1/b.mp3", "Sub1/Deep/c.mp3",
                             "Sub2/d.mp3", "Empty/readme.txt"})
        TouchFile(root + QString::fromUtf8(file));
    auto lists = MakeLists({{QStringLiteral("Старый"), {}}});
    lists->FLastBigFolder = QStringLiteral("/prev/");
    lists->FLastBigFolderReadType = 7;
    lists->FLastBigFoldersList = {QStringLiteral("/prev/")};
    Editor editor;
    editor.folders.dir = root;
    editor.folders.mode = mode;

    editor.Edit(*lists, QString(), [&] {
        editor.form.Button16->click();
        QCOMPARE(editor.form.ListBox1->currentRow(), 0);
        editor.form.Button5->click();
    });

    QCOMPARE(Names(*lists), QStringList{QStringLiteral("Старый")} + added);
    if (!added.isEmpty()) {
        QStringList expectedFiles;
        for (const QString &file : firstAddedFiles)
            expectedFiles.append(root + file);
        QCOMPARE(lists->at(1).mp3files, expectedFiles);
    }
    QCOMPARE(lists->FLastBigFolder, recordsFolder ? root : QStringLiteral("/prev/"));
    QCOMPARE(lists->FLastBigFolderReadType, readType);
    QCOMPARE(lists->FLastBigFoldersList, QStringList({QStringLiteral("/prev/"), root}));
}

void TestPlaylistEditor::addFolderThatGivesNothingSaysSo_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing folder") << QStringLiteral("missing/") << 1 << QStringLiteral("не найден");
    QTest::newRow("no MP3 file, one playlist") << QStringLiteral("Empty/") << 0 << QStringLiteral("не найдено MP3");
    QTest::newRow("no MP3 file, each subfolder") << QStringLiteral("Empty/") << 1 << QStringLiteral("не найдено MP3");
    QTest::newRow("no MP3 file, each file") << QStringLiteral("Empty/") << 3 << QStringLiteral("не найдено MP3");
}

// A folder that gives no playlist is named in a message, and no empty playlist appears.
void TestPlaylistEditor::addFolderThatGivesNothingSaysSo()
{
    QFETCH(QString, folder);
    QFETCH(int, mode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    TouchFile(dir.filePath(QStringLiteral("Empty/readme.txt")));
    TouchFile(dir.filePath(QStringLiteral("Empty/Inner/notes.txt")));
    auto lists = MakeLists({{QStringLiteral("Старый"), {}}});
    Editor editor;
    editor.folders.dir = dir.path() + QLatin1Char('/') + folder;
    editor.folders.mode = mode;

    editor.Edit(*lists, QString(), [&] {
        editor.form.Button16->click();
        editor.form.Button6->click();
    });

    QCOMPARE(editor.messages.size(), 1);
    QVERIFY2(editor.messages.first().contains(message), qPrintable(editor.messages.first()));
    QVERIFY(editor.messages.first().contains(editor.folders.dir));
    QCOMPARE(editor.form.WorkingCopy().flistscount, 1);
}

void TestPlaylistEditor::emptyCollectionIgnoresFileEdits()
{
    TMp3FilesList lists;
    Editor editor;
    editor.filesToChoose = {QStringLiteral("/m/a.mp3")};

    const bool result = editor.Edit(lists, QString(), [&] {
        QCOMPARE(editor.form.ListBox1->count(), 0);
        QVERIFY(editor.form.ListBox1->selectedItems().isEmpty());
        QVERIFY(editor.form.CurListNameEdit->text().isEmpty());
        editor.form.Button1->click();
        QCOMPARE(editor.form.fileslist->count(), 1);
        editor.form.Button5->click();
    });

    QVERIFY(result);
    QCOMPARE(lists.flistscount, 0);
}

void TestPlaylistEditor::deleteAllAsksFirst()
{
    auto lists = MakeLists({{QStringLiteral("А"), {}}, {QStringLiteral("Б"), {}}});
    Editor editor;

    editor.Edit(*lists, QString(), [&] {
        editor.form.Button9->click();
        QCOMPARE(editor.form.WorkingCopy().flistscount, 2);
        editor.answer = true;
        editor.form.Button9->click();
        QCOMPARE(editor.form.ListBox1->count(), 0);
        QVERIFY(editor.form.CurListNameEdit->text().isEmpty());
        editor.answer = false;
        editor.form.Button5->click();
    });

    QCOMPARE(editor.questions,
             QStringList({QStringLiteral("Очистить всё?"), QStringLiteral("Очистить всё?"),
                          QStringLiteral("Сохранить изменения?")}));
    QCOMPARE(lists->flistscount, 0);
}

void TestPlaylistEditor::fileButtonsEditDisplayedPlaylist()
{
    const QStringList files = {QStringLiteral("/m/1.mp3"), QStringLiteral("/m/2.mp3"),
                               QStringLiteral("/m/3.mp3")};
    auto lists = MakeLists({{QStringLiteral("Список"), files}});
    Editor editor;
    editor.filesToChoose = {QStringLiteral("/m/4.mp3")};

    editor.Edit(*lists, QString(), [&] {
        auto &form = editor.form;
        form.fileslist->setCurrentRow(2);
        form.SpeedButton2->click(); // 1 3 2
        QCOMPARE(form.fileslist->currentRow(), 1);
        form.fileslist->setCurrentRow(0);
        form.SpeedButton4->click(); // 3 1 2
        QCOMPARE(form.fileslist->currentRow(), 1);
        form.Button14->click(); // 3 2
        QCOMPARE(form.fileslist->currentRow(), 0);
        form.Button1->click(); // 3 2 4
        QCOMPARE(editor.fileTitles, QStringList{QStringLiteral("Выберите файл")});
        form.Button5->click();
    });

    QCOMPARE(lists->at(0).mp3files,
             QStringList({files[2], files[1], QStringLiteral("/m/4.mp3")}));
}

QTEST_MAIN(TestPlaylistEditor)
#include "tst_playlisteditor.moc"
