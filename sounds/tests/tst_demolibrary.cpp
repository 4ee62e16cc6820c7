// The generated demo library holds everything the program reads: a recording that the audio
// layer opens in every voice folder and preparation folder of both instructors, and every file
// of the default music and background playlists. It is also worth listening to: preparations
// last as long as their titles say, every phrase of both instructors is as loud as the others,
// music and backgrounds sit under the voice at the program's volumes, and the background loops
// join without a step.

#include "Loudness.h"
#include "player/Mp3Decoder.h"
#include "playlists/Mp3FilesList.h"
#include "shell/Assert.h"
#include "voices/VoiceLibrary.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace {

// Levels the library is made at (EBU R128, mono files).
constexpr double kVoiceLufs = -19;
constexpr double kMusicLufs = -20;
// A background as heard: the file's loudness with its playlist factor and the instructor's
// coefficient applied.
constexpr double kBackgroundHeardLufs = -41;
constexpr double kLoudnessTolerance = 1;

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
    // Phrases of the voice recordings, found once: decoding hours of speech takes a while.
    std::map<QString, std::vector<Phrase>> m_phrases;

    const std::vector<Phrase> &phrasesOf(const QString &file)
    {
        auto found = m_phrases.find(file);
        if (found == m_phrases.end())
            found = m_phrases.emplace(file, Phrases(BlockLoudness(DecodeMono(file)))).first;
        return found->second;
    }

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
                QTest::newRow(qPrintable(QFileInfo(file).fileName())) << file << 150.0 << 300.0;
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


    void preparationsLastAsTheirTitlesSay_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("titleMinutes");
        const QRegularExpression minutes(QStringLiteral("\\((\\d+) мин"));
        for (int instructor = 0; instructor < 2; ++instructor) {
            const TMp3FilesList &lists = *m_voices[instructor].FNidrasLists;
            for (qint32 i = 0; i < lists.flistscount; ++i) {
                const QRegularExpressionMatch match = minutes.match(lists.at(i).name);
                QVERIFY2(match.hasMatch(), qPrintable(lists.at(i).name));
                QCOMPARE(lists.at(i).mp3files.size(), 1);
                QTest::addRow("%d %s", instructor, qPrintable(lists.at(i).name))
                    << lists.at(i).mp3files.first() << match.captured(1).toDouble();
            }
        }
    }

    void preparationsLastAsTheirTitlesSay()
    {
        QFETCH(QString, file);
        QFETCH(double, titleMinutes);
        const double minutes = decodedSeconds(file) / 60;
        QVERIFY2(std::abs(minutes - titleMinutes) <= 0.05 * titleMinutes,
                 qPrintable(QStringLiteral("%1 lasts %2 min").arg(file).arg(minutes)));
    }

    // Every phrase of every recording of an instructor, preparations too, within 1 LU of the
    // level; the two instructors within 1 LU of each other; pauses in the preparations grow.
    void everyPhraseIsEquallyLoud()
    {
        double instructorMean[2] = {0, 0};
        for (int instructor = 0; instructor < 2; ++instructor) {
            QStringList files;
            for (const auto &[name, list] : listsOf(m_voices[instructor]))
                files += *list;
            for (qint32 i = 0; i < m_voices[instructor].FNidrasLists->flistscount; ++i)
                files += m_voices[instructor].FNidrasLists->at(i).mp3files;
            files.removeDuplicates();
            double energy = 0;
            int phrases = 0;
            for (const QString &file : files) {
                QVERIFY2(!phrasesOf(file).empty(), qPrintable(file));
                for (const Phrase &phrase : phrasesOf(file)) {
                    QVERIFY2(std::abs(phrase.lufs - kVoiceLufs) <= kLoudnessTolerance,
                             qPrintable(QStringLiteral("%1: the phrase ending at %2 s is at %3 LUFS")
                                            .arg(file).arg(phrase.endSeconds).arg(phrase.lufs)));
                    energy += std::pow(10.0, phrase.lufs / 10);
                    ++phrases;
                }
            }
            QVERIFY(phrases > 300);
            instructorMean[instructor] = 10 * std::log10(energy / phrases);
        }
        QVERIFY2(std::abs(instructorMean[0] - instructorMean[1]) <= 1,
                 qPrintable(QStringLiteral("%1 and %2 LUFS").arg(instructorMean[0]).arg(instructorMean[1])));
    }

    void preparationPausesGrowTowardsTheEnd()
    {
        for (int instructor = 0; instructor < 2; ++instructor) {
            const TMp3FilesList &lists = *m_voices[instructor].FNidrasLists;
            for (qint32 i = 0; i < lists.flistscount; ++i) {
                const QString file = lists.at(i).mp3files.first();
                const std::vector<Phrase> &phrases = phrasesOf(file);
                QVERIFY(phrases.size() > 20);
                // The longest silence between phrases in the first and the last fifth of the
                // recording: the pauses between lines, whatever the lines' lengths.
                const std::size_t fifth = phrases.size() / 5;
                auto longestGap = [&](std::size_t from, std::size_t to) {
                    double longest = 0;
                    for (std::size_t p = from + 1; p < to; ++p)
                        longest = std::max(longest, phrases[p].startSeconds - phrases[p - 1].endSeconds);
                    return longest;
                };
                const double early = longestGap(0, fifth), late = longestGap(phrases.size() - fifth, phrases.size());
                QVERIFY2(late > 1.4 * early, qPrintable(QStringLiteral("%1: %2 s early, %3 s late").arg(file).arg(early).arg(late)));
            }
        }
    }

    void musicAndBackgroundsSitUnderTheVoice_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("heardLufs");
        QTest::addColumn<double>("volume");
        const double coef = m_voices[0].VoiceCoef;
        QCOMPARE(m_voices[1].VoiceCoef, coef);
        auto lists = std::make_unique<TMp3FilesList>();
        lists->SetBasicBackSounds(programDir());
        for (qint32 i = 0; i < lists->flistscount; ++i)
            QTest::newRow(qPrintable(lists->at(i).name))
                << lists->at(i).mp3files.first() << kBackgroundHeardLufs << lists->at(i).Vol * coef;
        lists->SetBasicMusic(programDir());
        for (qint32 i = 0; i < lists->flistscount; ++i)
            for (const QString &file : lists->at(i).mp3files)
                QTest::newRow(qPrintable(QFileInfo(file).fileName()))
                    << file << kMusicLufs + 20 * std::log10(lists->at(i).Vol * coef) << lists->at(i).Vol * coef;
    }

    // The program plays these at the playlist's factor times the instructor's coefficient and
    // the voice at full volume.
    void musicAndBackgroundsSitUnderTheVoice()
    {
        QFETCH(QString, file);
        QFETCH(double, heardLufs);
        QFETCH(double, volume);
        const std::vector<double> blocks = BlockLoudness(DecodeMono(file));
        const double heard = GatedLoudness(blocks, 0, blocks.size()) + 20 * std::log10(volume);
        QVERIFY2(std::abs(heard - heardLufs) <= kLoudnessTolerance,
                 qPrintable(QStringLiteral("%1 sounds at %2 LUFS").arg(file).arg(heard)));
        QVERIFY(heard <= kVoiceLufs - 6);
    }

    // Played again and again, the end of a loop runs into its start as smoothly as its
    // samples run into each other anywhere else, at the same level.
    void backgroundLoopsJoinWithoutASeam_data()
    {
        QTest::addColumn<QString>("file");
        auto lists = std::make_unique<TMp3FilesList>();
        lists->SetBasicBackSounds(programDir());
        for (qint32 i = 0; i < lists->flistscount; ++i)
            QTest::newRow(qPrintable(lists->at(i).name)) << lists->at(i).mp3files.first();
    }

    void backgroundLoopsJoinWithoutASeam()
    {
        QFETCH(QString, file);
        const std::unique_ptr<Mp3Decoder> decoder = Mp3Decoder::Open(file);
        QVERIFY(decoder);
        // Mono files come out mono: a frame holds Channels() samples.
        const std::size_t channels = std::size_t(decoder->Channels());
        std::vector<float> all, frames(8192 * Mp3Decoder::kOutputChannels);
        while (const std::size_t got = decoder->Read(frames.data(), 8192))
            all.insert(all.end(), frames.begin(), frames.begin() + std::ptrdiff_t(got * channels));
        std::vector<double> left;
        for (std::size_t i = 0; i < all.size(); i += channels)
            left.push_back(all[i]);
        const std::size_t n = left.size(), window = Mp3Decoder::kOutputRate / 10;
        QVERIFY(n > 20 * window);
        // Whole seconds: a loop is made of whole seconds of samples.
        QVERIFY2(std::abs(double(n) / Mp3Decoder::kOutputRate - std::round(double(n) / Mp3Decoder::kOutputRate)) < 0.002,
                 qPrintable(QString::number(double(n) / Mp3Decoder::kOutputRate)));
        auto at = [&](std::ptrdiff_t i) { return left[std::size_t((i % std::ptrdiff_t(n) + std::ptrdiff_t(n)) % std::ptrdiff_t(n))]; };
        auto rmsDb = [&](std::ptrdiff_t from) {
            double sum = 0;
            for (std::ptrdiff_t i = from; i < from + std::ptrdiff_t(window); ++i)
                sum += at(i) * at(i);
            return 10 * std::log10(sum / double(window) + 1e-12);
        };
        auto largestStep = [&](std::ptrdiff_t from, std::ptrdiff_t to) {
            double step = 0;
            for (std::ptrdiff_t i = from; i < to; ++i)
                step = std::max(step, std::abs(at(i + 1) - at(i)));
            return step;
        };
        const std::ptrdiff_t seam = std::ptrdiff_t(n);
        const double seamStep = std::abs(at(seam) - at(seam - 1));
        const double aroundStep = std::max(largestStep(seam - 2 * std::ptrdiff_t(window), seam - 2),
                                           largestStep(seam + 1, seam + 2 * std::ptrdiff_t(window)));
        QVERIFY2(seamStep <= aroundStep, qPrintable(QStringLiteral("a step of %1 at the seam, at most %2 around it").arg(seamStep).arg(aroundStep)));
        // The level jump across the seam, against the largest jump between neighbouring windows
        // elsewhere in the loop.
        const double seamJump = std::abs(rmsDb(seam) - rmsDb(seam - std::ptrdiff_t(window)));
        double usualJump = 0;
        for (std::ptrdiff_t at0 = std::ptrdiff_t(window); at0 + std::ptrdiff_t(window) < seam; at0 += std::ptrdiff_t(window))
            usualJump = std::max(usualJump, std::abs(rmsDb(at0) - rmsDb(at0 - std::ptrdiff_t(window))));
        QVERIFY2(seamJump <= std::max(1.0, usualJump), qPrintable(QStringLiteral("%1 dB across the seam, %2 dB elsewhere").arg(seamJump).arg(usualJump)));
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
