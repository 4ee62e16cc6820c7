#include "CollectionTestTools.h"

#include "playlists/CollectionLoader.h"
#include "playlists/Mp3FilesList.h"
#include "shell/Errors.h"
#include "shell/FileKinds.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <limits>
#include <memory>

#include <QSet>
#include <fcntl.h>
#include <unistd.h>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

// Field encoders written out by hand, independent of the program's own encoder.
QByteArray le32(qint32 value)
{
    const quint32 v = quint32(value);
    const char bytes[] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
    return QByteArray(bytes, 4);
}

QByteArray str(const QString &text)
{
    QByteArray bytes = le32(qint32(text.size()));
    for (QChar unit : text)
        bytes += char(unit.unicode() & 0xFF) + QByteArray(1, char(unit.unicode() >> 8));
    return bytes;
}

QByteArray strs(const QStringList &texts)
{
    QByteArray bytes = le32(qint32(texts.size()));
    for (const QString &text : texts)
        bytes += str(text);
    return bytes;
}

const QByteArray kVol012 = QByteArray::fromHex("b81e85eb51b8be3f");
const QByteArray kVol1 = QByteArray::fromHex("000000000000f03f");
const QByteArray kEmptyTail = QByteArray(12, '\0'); // empty folder, type 0, empty history

// Two playlists: Cyrillic names and files at volume 0.12, and one without files.
std::unique_ptr<TMp3FilesList> smallCollection()
{
    auto list = std::make_unique<TMp3FilesList>();
    list->AddList(QStringLiteral("Ливень"));
    list->at(0).mp3files = {QStringLiteral("/a/Я.mp3"), QStringLiteral("b.mp3")};
    list->at(0).Vol = 0.12;
    list->AddList(QStringLiteral("Пусто"));
    list->FLastBigFolder = QStringLiteral("/m");
    list->FLastBigFolderReadType = 1;
    list->FLastBigFoldersList = {QStringLiteral("/h")};
    return list;
}

QByteArray smallCollectionBytes()
{
    return le32(2) + strs({QStringLiteral("/a/Я.mp3"), QStringLiteral("b.mp3")}) + str(QStringLiteral("Ливень"))
           + kVol012 + strs({}) + str(QStringLiteral("Пусто")) + kVol1 + str(QStringLiteral("/m")) + le32(1)
           + strs({QStringLiteral("/h")});
}

// A collection already in memory that a failed load must leave exactly as it is.
std::unique_ptr<TMp3FilesList> previousContent()
{
    auto list = std::make_unique<TMp3FilesList>();
    list->SetBasicBackSounds(QStringLiteral("/prog/"));
    list->FLastBigFolder = QStringLiteral("/before");
    list->FLastBigFoldersList = {QStringLiteral("/before")};
    list->FChanged = true;
    return list;
}

QByteArray emptyPlaylistRecords(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += strs({}) + str(QString()) + kVol1;
    return bytes;
}

} // namespace

class TestPlaylistFiles : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;

    QString file(const QString &name) const { return m_tmp->filePath(name); }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
    }

    void emptyCollectionIsSixteenZeroBytes()
    {
        auto list = std::make_unique<TMp3FilesList>();
        list->FChanged = true;
        list->SaveToFile(file(QStringLiteral("empty.bin")));
        QCOMPARE(fileBytes(file(QStringLiteral("empty.bin"))), QByteArray(16, '\0'));
        QVERIFY(!list->FChanged);
    }

    void savedBytesFollowTheLayout()
    {
        smallCollection()->SaveToFile(file(QStringLiteral("small.bin")));
        QCOMPARE(fileBytes(file(QStringLiteral("small.bin"))).toHex(' '), smallCollectionBytes().toHex(' '));
    }

    void roundTripKeepsEveryField()
    {
        auto saved = std::make_unique<TMp3FilesList>();
        const double vols[] = {0.12, 1.0 / 3, -0.0, std::numeric_limits<double>::denorm_min(), 1e308,
                               std::numeric_limits<double>::quiet_NaN()};
        const QString names[] = {QStringLiteral("Мантра \"Не думай\""), QString(), QStringLiteral("  пробелы  "),
                                 QStringLiteral("🎵 ноты"), QStringLiteral("Ёж"), QStringLiteral("NaN")};
        for (int i = 0; i < 6; ++i) {
            saved->AddList(names[i]);
            saved->at(i).Vol = vols[i];
            for (int f = 0; f < i; ++f)
                saved->at(i).mp3files << QStringLiteral("/Музыка/%1/трек 🎶 %2.MP3").arg(i).arg(f);
        }
        saved->FLastBigFolder = QStringLiteral("/Музыка");
        saved->FLastBigFolderReadType = 2;
        saved->FLastBigFoldersList = {QStringLiteral("/старое"), QString(), QStringLiteral("/Музыка")};
        saved->SaveToFile(file(QStringLiteral("r.bin")));
        QVERIFY(!saved->FChanged);

        auto loaded = std::make_unique<TMp3FilesList>();
        loaded->SetListsCount(9); // more playlists than the file holds: all are replaced
        loaded->FLastBigFoldersList = {QStringLiteral("/x"), QStringLiteral("/y"), QStringLiteral("/z"),
                                       QStringLiteral("/w")};
        loaded->LoadFromFile(file(QStringLiteral("r.bin")));
        QCOMPARE(describe(*loaded), describe(*saved));
        QVERIFY(!loaded->FChanged);
        QVERIFY(loaded->flists[6].name.isEmpty() && loaded->flists[8].mp3files.isEmpty());
    }

    void damagedFileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("rangeError");
        const QByteArray valid = smallCollectionBytes();
        for (int size = 0; size < valid.size(); ++size)
            QTest::addRow("cut to %d bytes", size) << valid.left(size) << false;
        QTest::newRow("trailing byte") << valid + QByteArray(1, '\0') << false;
        QTest::newRow("negative count") << le32(-1) + kEmptyTail << false;
        QTest::newRow("count the bytes cannot hold") << le32(5) + emptyPlaylistRecords(1) + kEmptyTail << false;
        QTest::newRow("huge count") << le32(std::numeric_limits<qint32>::max()) + kEmptyTail << true;
        QTest::newRow("2002 playlists") << le32(2002) + emptyPlaylistRecords(2002) + kEmptyTail << true;
        QTest::newRow("huge file count") << le32(1) + le32(0x40000000) + kEmptyTail << false;
        QTest::newRow("huge string length") << le32(1) + le32(1) + le32(std::numeric_limits<qint32>::max())
                                                   + str(QString()) + kVol1 + kEmptyTail
                                            << false;
        QTest::newRow("huge history count") << le32(0) + str(QString()) + le32(0) + le32(0x7FFFFFF0) << false;
    }

    void damagedFileChangesNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, rangeError);
        const QString path = file(QStringLiteral("damaged.bin"));
        writeBytes(path, bytes);
        auto list = previousContent();
        const QStringList before = describe(*list);
        try {
            list->LoadFromFile(path);
            QFAIL("a damaged file was accepted");
        } catch (const NesvaraError &error) {
            QCOMPARE(dynamic_cast<const RangeError *>(&error) != nullptr, rangeError);
            QVERIFY2(error.text().contains(QDir::toNativeSeparators(path)), qPrintable(error.text()));
        }
        QCOMPARE(describe(*list), before);
    }

    void twoThousandOnePlaylistsLoad()
    {
        const QString path = file(QStringLiteral("full.bin"));
        writeBytes(path, le32(2001) + emptyPlaylistRecords(2001) + kEmptyTail);
        auto list = std::make_unique<TMp3FilesList>();
        list->LoadFromFile(path);
        QCOMPARE(list->flistscount, 2001);
    }

    void unreadableFileIsAFileError_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << QStringLiteral("missing.bin");
        QTest::newRow("a folder") << QStringLiteral("folder.bin");
    }

    void unreadableFileIsAFileError()
    {
        QFETCH(QString, name);
        QVERIFY(QDir(m_tmp->path()).mkdir(QStringLiteral("folder.bin")));
        auto list = previousContent();
        const QStringList before = describe(*list);
        QVERIFY_THROWS_EXCEPTION(FileError, list->LoadFromFile(file(name)));
        QCOMPARE(describe(*list), before);
    }

    void saveIntoAMissingFolderFailsAndCreatesNothing()
    {
        const QString path = file(QStringLiteral("no/such/folder/lists.bin"));
        auto list = smallCollection();
        try {
            list->SaveToFile(path);
            QFAIL("the save did not fail");
        } catch (const FileError &error) {
            QVERIFY2(error.text().contains(QDir::toNativeSeparators(path)), qPrintable(error.text()));
        }
        QVERIFY(list->FChanged);
        QVERIFY(!QFileInfo::exists(path));
    }

#ifdef Q_OS_UNIX
    // A disk that fills up in the middle of a save: the file-size limit makes the write
    // fail after 4 KB, whoever runs the test.
    void failedWriteLeavesTheOldFileWhole()
    {
        const QString path = file(QStringLiteral("lists.bin"));
        smallCollection()->SaveToFile(path);
        const QByteArray old = fileBytes(path);

        auto big = std::make_unique<TMp3FilesList>();
        for (int i = 0; i < 200; ++i) {
            big->AddList(QStringLiteral("Список %1").arg(i));
            big->at(i).mp3files = {QStringLiteral("/очень/длинный/путь/к/файлу/%1.mp3").arg(i)};
        }

        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        bool threw = false;
        QString text;
        try {
            big->SaveToFile(path);
        } catch (const NesvaraError &error) {
            threw = true;
            text = error.text();
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(threw);
        QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
        QVERIFY(big->FChanged);
        QCOMPARE(fileBytes(path), old);
        QCOMPARE(QDir(m_tmp->path()).entryList(QDir::Files), QStringList{QStringLiteral("lists.bin")});
    }
#endif

    // Names with a line break, an emoji or bytes that are no UTF-8, imported from a folder,
    // survive the file and still name their files.
    void unusualFileNamesSurviveImportAndFile()
    {
        const QByteArray names[] = {"two\nlines.mp3", "\xF0\x9F\x8E\xB5.mp3", "bad\xFF\xFE.mp3"};
        const QByteArray folder = QFile::encodeName(m_tmp->path());
        for (const QByteArray &name : names) {
            const int fd = ::open((folder + '/' + name).constData(), O_WRONLY | O_CREAT, 0644);
            QVERIFY(fd >= 0);
            ::close(fd);
        }
        auto imported = std::make_unique<TMp3FilesList>();
        imported->AddFromDirAsOneFileEach(m_tmp->path(), false);
        QCOMPARE(imported->flistscount, 3);
        const QString path = file(QStringLiteral("lists.bin"));
        imported->SaveToFile(path);
        auto loaded = std::make_unique<TMp3FilesList>();
        loaded->LoadFromFile(path);
        QCOMPARE(describe(*loaded), describe(*imported));
        QSet<QByteArray> onDisk;
        for (qint32 i = 0; i < loaded->flistscount; ++i) {
            QVERIFY(IsRegularFile(loaded->at(i).mp3files.at(0)));
            onDisk.insert(NativePath(loaded->at(i).mp3files.at(0)));
        }
        for (const QByteArray &name : names) {
            QVERIFY(onDisk.contains(folder + '/' + name));
            QCOMPARE(::unlink((folder + '/' + name).constData()), 0);
        }
    }

    void startUpTakesTheDefaultsWhenTheFileIsMissing()
    {
        auto list = previousContent();
        const TCollectionLoadResult result = LoadCollectionOrDefaults(
            *list, file(QStringLiteral("musiclists.bin")),
            [](TMp3FilesList &l) { l.SetBasicMusic(QStringLiteral("/prog/")); });
        QVERIFY(!result.fromFile);
        QVERIFY(result.errorText.isEmpty());
        QCOMPARE(list->flistscount, 5);
        QCOMPARE(QDir(m_tmp->path()).entryList(QDir::Files), QStringList());
    }

    void startUpLoadsAValidFile()
    {
        const QString path = file(QStringLiteral("musiclists.bin"));
        smallCollection()->SaveToFile(path);
        auto list = previousContent();
        const TCollectionLoadResult result =
            LoadCollectionOrDefaults(*list, path, [](TMp3FilesList &) { QFAIL("defaults taken"); });
        QVERIFY(result.fromFile);
        QVERIFY(result.errorText.isEmpty());
        QCOMPARE(list->at(0).name, QStringLiteral("Ливень"));
    }

    void startUpKeepsADamagedFileAsBakAndTakesTheDefaults()
    {
        const QString path = file(QStringLiteral("backsoundslists.bin"));
        const QByteArray damaged = smallCollectionBytes().left(30);
        writeBytes(path, damaged);
        const auto setDefaults = [](TMp3FilesList &l) { l.SetBasicBackSounds(QStringLiteral("/prog/")); };

        auto list = std::make_unique<TMp3FilesList>();
        TCollectionLoadResult result = LoadCollectionOrDefaults(*list, path, setDefaults);
        QVERIFY(!result.fromFile);
        QVERIFY2(result.errorText.contains(QDir::toNativeSeparators(path) + QLatin1Char('"')),
                 qPrintable(result.errorText));
        QVERIFY2(result.errorText.contains(QDir::toNativeSeparators(path + QStringLiteral(".bak"))),
                 qPrintable(result.errorText));
        auto defaults = std::make_unique<TMp3FilesList>();
        setDefaults(*defaults);
        QCOMPARE(describe(*list), describe(*defaults));
        QCOMPARE(fileBytes(path + QStringLiteral(".bak")), damaged);
        QCOMPARE(fileBytes(path), damaged);

        // The next start with the same file reuses its copy ...
        result = LoadCollectionOrDefaults(*list, path, setDefaults);
        QVERIFY(!QFileInfo::exists(path + QStringLiteral(".bak.1")));

        // ... and a file damaged differently gets a copy of its own.
        const QByteArray otherDamage = smallCollectionBytes() + QByteArray(3, 'x');
        writeBytes(path, otherDamage);
        result = LoadCollectionOrDefaults(*list, path, setDefaults);
        QVERIFY2(result.errorText.contains(QStringLiteral(".bak.1")), qPrintable(result.errorText));
        QCOMPARE(fileBytes(path + QStringLiteral(".bak.1")), otherDamage);
        QCOMPARE(fileBytes(path + QStringLiteral(".bak")), damaged);
    }
};

QTEST_GUILESS_MAIN(TestPlaylistFiles)
#include "tst_playlistfiles.moc"
