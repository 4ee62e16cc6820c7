// Walks the generated demo library next to the program: every folder the voice library and the
// preparation playlists read holds MP3 files that decode, and every file the default music and
// background playlists name is there and decodes, with a sensible length.

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>

#include <mpg123.h>

#include <memory>

namespace {

QString soundsDir()
{
    return QStringLiteral(NESVARA_PROGRAM_DIR "Sounds/");
}

struct Mpg123Deleter {
    void operator()(mpg123_handle *handle) const
    {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};
using Mpg123Handle = std::unique_ptr<mpg123_handle, Mpg123Deleter>;

// What decoding the start of a file found out.
struct DecodeResult {
    QString error;
    long rate = 0;
    double seconds = 0;
};

DecodeResult decodeStart(const QString &path)
{
    DecodeResult result;
    int err = MPG123_OK;
    Mpg123Handle handle(mpg123_new(nullptr, &err));
    if (!handle) {
        result.error = QStringLiteral("mpg123_new: %1").arg(err);
        return result;
    }
    if (mpg123_open(handle.get(), QFile::encodeName(path).constData()) != MPG123_OK) {
        result.error = QString::fromUtf8(mpg123_strerror(handle.get()));
        return result;
    }
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle.get(), &result.rate, &channels, &encoding) != MPG123_OK) {
        result.error = QString::fromUtf8(mpg123_strerror(handle.get()));
        return result;
    }
    unsigned char buffer[16384];
    size_t done = 0;
    const int readResult = mpg123_read(handle.get(), buffer, sizeof buffer, &done);
    if (readResult != MPG123_OK || done == 0) {
        result.error = QStringLiteral("no audio in the first frames: %1")
                           .arg(QString::fromUtf8(mpg123_plain_strerror(readResult)));
        return result;
    }
    mpg123_scan(handle.get());
    const off_t samples = mpg123_length(handle.get());
    if (samples > 0 && result.rate > 0)
        result.seconds = double(samples) / double(result.rate);
    return result;
}

QStringList mp3FilesIn(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.mp3")}, QDir::Files,
                                  QDir::Name | QDir::IgnoreCase);
}

const char *const kOstrelVoiceFolders[] = {
    "RemindsTech1/",          "RemindsTech2/",          "RemindsTech3/Inhals/",
    "RemindsTech3/Exhals/",   "RemindsTech6/",          "RemindsConcTech1/Seconds/",
    "RemindsConcTech1/Seconds/More/", "RemindsConcTech1/Time/", "RemindsConcTech1/Time/More",
    "EndRemindsConcTech1/",   "MedBegsTech1/",          "MedBegsTech2/",
    "MedBegsTech3/",          "MedBegsTech4/",          "MedBegsTech5/",
    "MedBegsTech6/",          "MedBegsTech7/",          "MedBegsTech8/",
    "MedBegQuick/",           "MedBegsConcAddText/",    "MedEnds/",
    "MedEndsTech5/",
};

const char *const kMarvaneVoiceFolders[] = {
    "MedBegsTech1/", "MedBegsTech8/", "MedBegQuick/", "RemindsTech1/", "MedEnds/",
};

const char *const kBackSounds[] = {
    "heavyrain", "stream", "forest", "train", "sea", "gvalt", "fire", "firen", "wind", "frogs",
};

const char *const kMusicFiles[] = {
    "Music/Collection/01_Larinov/Utrenniy svet.mp3",
    "Music/Collection/01_Larinov/Tikhaya voda.mp3",
    "Music/Collection/02_Larinov/Zvyozdnoe nebo.mp3",
    "Music/Collection/02_Larinov/Nochnoy sad.mp3",
    "Music/Collection/03_Vedenskaya/Gornoe ozero.mp3",
    "Music/Collection/03_Vedenskaya/Oblaka.mp3",
    "Music/Collection/04_Vedenskaya/Dolgiy vydokh.mp3",
    "Music/mantras/Mantra Ne Dumay - Dlya ostanovki vnutrennego dialoga.mp3",
};

} // namespace

class TestDemoLibrary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void voiceFolderHoldsDecodableMp3_data();
    void voiceFolderHoldsDecodableMp3();
    void bodyPartsSortInListOrder();
    void defaultPlaylistFileDecodes_data();
    void defaultPlaylistFileDecodes();
    void libraryIsMarkedComplete();
};

void TestDemoLibrary::initTestCase()
{
    QVERIFY2(QFileInfo(soundsDir()).isDir(), qPrintable(soundsDir() + QStringLiteral(" is missing")));
#if MPG123_API_VERSION < 46
    QCOMPARE(mpg123_init(), int(MPG123_OK));
#endif
}

void TestDemoLibrary::voiceFolderHoldsDecodableMp3_data()
{
    QTest::addColumn<QString>("folder");
    for (const char *folder : kOstrelVoiceFolders) {
        const QString path = QStringLiteral("Ostrel/") + QLatin1String(folder);
        QTest::newRow(qPrintable(path)) << path;
    }
    for (const char *folder : kMarvaneVoiceFolders) {
        const QString path = QStringLiteral("Marvane/") + QLatin1String(folder);
        QTest::newRow(qPrintable(path)) << path;
    }
    // Preparation recordings: twelve folders for the first instructor, thirteen for the second.
    for (int i = 1; i <= 13; ++i) {
        const QString name = QStringLiteral("Nidras%1/").arg(i, 2, 10, QLatin1Char('0'));
        if (i <= 12)
            QTest::newRow(qPrintable(QStringLiteral("Ostrel/") + name)) << QStringLiteral("Ostrel/") + name;
        QTest::newRow(qPrintable(QStringLiteral("Marvane/") + name)) << QStringLiteral("Marvane/") + name;
    }
}

void TestDemoLibrary::voiceFolderHoldsDecodableMp3()
{
    QFETCH(QString, folder);
    const QStringList files = mp3FilesIn(soundsDir() + folder);
    QVERIFY2(!files.isEmpty(), qPrintable(folder + QStringLiteral(" holds no MP3 file")));
    for (const QString &file : files) {
        const DecodeResult result = decodeStart(soundsDir() + folder + QLatin1Char('/') + file);
        QVERIFY2(result.error.isEmpty(), qPrintable(folder + file + QStringLiteral(": ") + result.error));
        QVERIFY2(result.seconds > 0.3, qPrintable(folder + file + QStringLiteral(" is too short")));
    }
}

// The program orders a folder's files by name and names body parts by index in that order, so
// the names must sort as the list runs: 01.mp3, 02.mp3, ... with no gap.
void TestDemoLibrary::bodyPartsSortInListOrder()
{
    const QStringList files = mp3FilesIn(soundsDir() + QStringLiteral("Ostrel/RemindsTech6"));
    QVERIFY2(files.size() >= 30, qPrintable(QString::number(files.size())));
    const int width = qMax(2, int(QString::number(files.size()).size()));
    for (int i = 0; i < files.size(); ++i)
        QCOMPARE(files.at(i), QStringLiteral("%1.mp3").arg(i + 1, width, 10, QLatin1Char('0')));
}

void TestDemoLibrary::defaultPlaylistFileDecodes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<double>("minSeconds");
    QTest::addColumn<double>("maxSeconds");
    for (const char *name : kBackSounds) {
        const QString file = QStringLiteral("BackSounds/%1.mp3").arg(QLatin1String(name));
        QTest::newRow(qPrintable(file)) << file << 20.0 << 60.5;
    }
    for (const char *name : kMusicFiles) {
        const QString file = QString::fromUtf8(name);
        QTest::newRow(qPrintable(file)) << file << 60.0 << 180.5;
    }
}

void TestDemoLibrary::defaultPlaylistFileDecodes()
{
    QFETCH(QString, file);
    QFETCH(double, minSeconds);
    QFETCH(double, maxSeconds);
    const QString path = soundsDir() + file;
    QVERIFY2(QFileInfo(path).isFile(), qPrintable(path + QStringLiteral(" is missing")));
    const DecodeResult result = decodeStart(path);
    QVERIFY2(result.error.isEmpty(), qPrintable(file + QStringLiteral(": ") + result.error));
    QVERIFY2(result.seconds >= minSeconds && result.seconds <= maxSeconds,
             qPrintable(QStringLiteral("%1 lasts %2 s").arg(file).arg(result.seconds)));
}

// The build regenerates only a library without this mark; the generator writes it last.
void TestDemoLibrary::libraryIsMarkedComplete()
{
    QVERIFY(QFileInfo(soundsDir() + QStringLiteral(".demo-library.stamp")).isFile());
    const QStringList leftovers = QDir(QStringLiteral(NESVARA_PROGRAM_DIR))
                                      .entryList({QStringLiteral("Sounds.tmp.*"), QStringLiteral("Sounds.old.*")},
                                                 QDir::AllEntries | QDir::Hidden);
    QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(QStringLiteral(", "))));
}

QTEST_GUILESS_MAIN(TestDemoLibrary)
#include "tst_demolibrary.moc"
