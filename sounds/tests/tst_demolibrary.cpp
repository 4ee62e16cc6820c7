// The generated demo library holds everything the program reads: a recording that the audio
// layer opens in every voice folder and preparation folder of both instructors, and every file
// of the default music and background playlists.

#include "player/Mp3Decoder.h"
#include "playlists/Mp3FilesList.h"
#include "shell/Assert.h"
#include "voices/VoiceLibrary.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <vector>

namespace {

QString programDir()
{
    return QStringLiteral(NESVARA_PROGRAM_DIR);
}

// Seconds of audio the decoder yields; -1 when the file does not open.
double decodedSeconds(const QString &path)
{
    const std::unique_ptr<Mp3Decoder> decoder = Mp3Decoder::Open(path);
    if (!decoder)
        return -1;
    std::vector<float> frames(8192 * Mp3Decoder::kOutputChannels);
    std::size_t total = 0;
    while (const std::size_t got = decoder->Read(frames.data(), 8192))
        total += got;
    return double(total) / Mp3Decoder::kOutputRate;
}

// Every list of a voice set, by field name; an instructor's missing lists stay empty.
std::vector<std::pair<const char *, const QStringList *>> listsOf(const TInstructorVoices &v)
{
    return {{"FRemindersTech1List", &v.FRemindersTech1List},
            {"FRemindersTech2List", &v.FRemindersTech2List},
            {"FRemindersTech3InhalList", &v.FRemindersTech3InhalList},
            {"FRemindersTech3ExhalList", &v.FRemindersTech3ExhalList},
            {"FRemindersTech6List", &v.FRemindersTech6List},
            {"FRemindersConcIntSecList", &v.FRemindersConcIntSecList},
            {"FRemindersConcIntSecNotBegList", &v.FRemindersConcIntSecNotBegList},
            {"FRemindersConcIntTimeList", &v.FRemindersConcIntTimeList},
            {"FRemindersConcIntTimeNotBegList", &v.FRemindersConcIntTimeNotBegList},
            {"FRemindersConcIntEndList", &v.FRemindersConcIntEndList},
            {"FMedBegsTech1List", &v.FMedBegsTech1List},
            {"FMedBegsTech2List", &v.FMedBegsTech2List},
            {"FMedBegsTech3List", &v.FMedBegsTech3List},
            {"FMedBegsTech4List", &v.FMedBegsTech4List},
            {"FMedBegsTech5List", &v.FMedBegsTech5List},
            {"FMedBegsTech6List", &v.FMedBegsTech6List},
            {"FMedBegsTech7List", &v.FMedBegsTech7List},
            {"FMedBegsTech8List", &v.FMedBegsTech8List},
            {"FMedBegsQuickList", &v.FMedBegsQuickList},
            {"FMedBegsTechConcAddList", &v.FMedBegsTechConcAddList},
            {"FMedBegsTechPrepContIntSecList", &v.FMedBegsTechPrepContIntSecList},
            {"FMedBegsTechPrepContIntTimeList", &v.FMedBegsTechPrepContIntTimeList},
            {"FMedEndsList", &v.FMedEndsList},
            {"FMedEndsTech6List", &v.FMedEndsTech6List}};
}

} // namespace

class TestDemoLibrary : public QObject
{
    Q_OBJECT

    TInstructorVoiceSets m_voices;
    QStringList m_reports;

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(programDir() + QStringLiteral("Sounds")).isDir(), "the demo library is missing");
        InstallAssertPresenter([this](const QString &text) { m_reports << text; });
        LoadVoiceLibrary(programDir(), m_voices);
    }

    void everyVoiceFolderHasRecordings()
    {
        QVERIFY2(m_reports.isEmpty(), qPrintable(m_reports.join(QLatin1Char('\n'))));
        int instructor1Lists = 0;
        for (const auto &[name, list] : listsOf(m_voices[1]))
            instructor1Lists += list->isEmpty() ? 0 : 1;
        QCOMPARE(instructor1Lists, 5);
        for (const TInstructorVoices &voices : m_voices) {
            QVERIFY(voices.FNidrasLists->flistscount >= 12);
            for (qint32 i = 0; i < voices.FNidrasLists->flistscount; ++i)
                QVERIFY2(!voices.FNidrasLists->at(i).mp3files.isEmpty(),
                         qPrintable(voices.FNidrasLists->at(i).name));
        }
    }

    // Body parts are named by index in folder order, so the files must sort as the list runs:
    // 01.mp3, 02.mp3, ... with no gap.
    void bodyPartsComeInListOrder()
    {
        const QStringList &parts = m_voices[0].FRemindersTech6List;
        QVERIFY(parts.size() >= 30);
        for (int i = 0; i < parts.size(); ++i)
            QCOMPARE(QFileInfo(parts.at(i)).fileName(), QStringLiteral("%1.mp3").arg(i + 1, 2, 10, QLatin1Char('0')));
    }

    void everyRecordingOpensInTheAudioLayer()
    {
        QStringList files;
        for (const TInstructorVoices &voices : m_voices) {
            for (const auto &[name, list] : listsOf(voices))
                files += *list;
            for (qint32 i = 0; i < voices.FNidrasLists->flistscount; ++i)
                files += voices.FNidrasLists->at(i).mp3files;
        }
        QVERIFY(files.size() > 100);
        for (const QString &file : files)
            QVERIFY2(Mp3Decoder::Open(file) != nullptr, qPrintable(file));
    }

    void defaultPlaylistFilesPlayForTheirLength_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("minSeconds");
        QTest::addColumn<double>("maxSeconds");
        auto lists = std::make_unique<TMp3FilesList>();
        lists->SetBasicBackSounds(programDir());
        for (qint32 i = 0; i < lists->flistscount; ++i)
            for (const QString &file : lists->at(i).mp3files)
                QTest::newRow(qPrintable(lists->at(i).name)) << file << 20.0 << 60.5;
        lists->SetBasicMusic(programDir());
        for (qint32 i = 0; i < lists->flistscount; ++i)
            for (const QString &file : lists->at(i).mp3files)
                QTest::newRow(qPrintable(QFileInfo(file).fileName())) << file << 60.0 << 180.5;
    }

    void defaultPlaylistFilesPlayForTheirLength()
    {
        QFETCH(QString, file);
        QFETCH(double, minSeconds);
        QFETCH(double, maxSeconds);
        const double seconds = decodedSeconds(file);
        QVERIFY2(seconds >= minSeconds && seconds <= maxSeconds,
                 qPrintable(QStringLiteral("%1 lasts %2 s").arg(file).arg(seconds)));
    }

    // The build regenerates only a library without this mark; the generator writes it last.
    void libraryIsMarkedComplete()
    {
        QVERIFY(QFileInfo(programDir() + QStringLiteral("Sounds/.demo-library.stamp")).isFile());
        const QStringList leftovers = QDir(programDir()).entryList(
            {QStringLiteral("Sounds.tmp.*"), QStringLiteral("Sounds.old.*")}, QDir::AllEntries | QDir::Hidden);
        QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(QStringLiteral(", "))));
    }
};

QTEST_GUILESS_MAIN(TestDemoLibrary)
#include "tst_demolibrary.moc"
