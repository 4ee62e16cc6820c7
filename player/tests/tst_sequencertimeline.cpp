// The main part of a meditation against the rule it was first built on: one pass every 20 ms,
// a random reminder a trial of probability p on every pass, a timed phrase at the first pass
// after its interval, the end at the first pass after the meditation time. That rule is kept
// here as a reference simulation. The player, which sleeps until the next thing that can
// happen, must give the timed techniques exactly the reference's timelines and the random
// reminders the reference's distribution of silences.
#include "FakeAudio.h"
#include "VirtualHost.h"
#include "player/MeditationPlayer.h"
#include "shell/Helpers.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr quint64 kPassMs = 20;
constexpr quint64 kAfterIntroMs = 1000;
constexpr int kBodyPartsPerRun = 17;

// One phrase of the main part, or the closing phrase, by when it started after the
// beginning of the meditation time. `index` is the body part, -1 for other phrases.
struct Entry
{
    QString phase;
    int index = -1;
    quint64 at = 0;

    bool operator==(const Entry &other) const = default;
};

QString Describe(const std::vector<Entry> &entries, std::size_t around)
{
    QStringList text;
    const std::size_t from = around > 3 ? around - 3 : 0;
    for (std::size_t i = from; i < std::min(entries.size(), around + 4); ++i)
        text << QStringLiteral("%1%2@%3").arg(entries[i].phase).arg(entries[i].index < 0 ? QString() : QStringLiteral("#%1").arg(entries[i].index)).arg(entries[i].at);
    return text.join(QLatin1Char(' '));
}

struct Settings
{
    TMedTech technique = TMedTech::mtSilence;
    quint64 medtime = 60'000;
    quint64 phraseMs = 1000;
    quint64 breathMs = 3000;
    quint64 bodyMs = 5000;
    quint64 concMs = 30'000;
    qint32 remindSec = 10;
    bool quickIntro = false;
    int bodyParts = 3;
    // Length of each of the two background files; 0: no background sound.
    quint64 backgroundMs = 0;
};

// The old rule, pass by pass. `random` stands for the trials of the random reminders; the
// announcements of concentration periods are named by their kind only.
std::vector<Entry> ReferenceMainPart(const Settings &s, double p, const std::function<double()> &random)
{
    std::vector<Entry> out;
    quint64 t = 0;
    std::optional<quint64> lastremtime;
    const bool pauseAfterIntro = !s.quickIntro
                                 && (s.technique == TMedTech::mtBreathReminds || s.technique == TMedTech::mtBodyPartsEnum
                                     || s.technique == TMedTech::mtRandomBodyPartsEnum);
    if (pauseAfterIntro)
        lastremtime = kAfterIntroMs;
    bool lastremexhal = true;
    int mnstep = -1;
    int mncurcount = -1;
    const auto play = [&](const char *phase, int index = -1) {
        out.push_back({QString::fromLatin1(phase), index, t});
        t += s.phraseMs;
    };
    const auto due = [&](quint64 interval) {
        if (lastremtime && t <= *lastremtime + interval)
            return false;
        lastremtime = t;
        return true;
    };
    const auto closing = [&] {
        const bool relaxation = s.technique == TMedTech::mtBodyPartsEnum || s.technique == TMedTech::mtRandomBodyPartsEnum;
        out.push_back({QString::fromLatin1(relaxation ? "pimedendofrel" : "pimedend"), -1, t});
        return out;
    };
    for (;;) {
        t += kPassMs;
        switch (s.technique) {
        case TMedTech::mtThoughtsReminds:
            if (random() < p)
                play("pireminder");
            break;
        case TMedTech::mtBreathReminds:
            if (random() < p)
                play("pirembr");
            break;
        case TMedTech::mtEachBreathReminds:
            if (due(s.breathMs)) {
                play(lastremexhal ? "pireminhal" : "piremexhal");
                lastremexhal = !lastremexhal;
            }
            break;
        case TMedTech::mtBodyPartsEnum:
            if (due(s.bodyMs)) {
                mnstep = mnstep + 1 > s.bodyParts - 1 ? 0 : mnstep + 1;
                play("piremtech6", mnstep);
            }
            break;
        case TMedTech::mtRandomBodyPartsEnum:
            // Where a run starts is random; only what comes when is compared.
            if (due(s.bodyMs)) {
                ++mncurcount;
                if (mncurcount >= kBodyPartsPerRun) {
                    mncurcount = -1;
                    play("pireminder");
                } else {
                    play("piremtech6");
                }
            }
            break;
        case TMedTech::mtConcIntervals: {
            play("announcement");
            t += s.concMs;
            play("piConcIntEnd");
            // The rest, a timed wait that notices the end of the time at its passes.
            const quint64 restEnd = t + quint64(s.remindSec) * 1000;
            while (t < restEnd) {
                if (t > s.medtime)
                    return closing();
                t = std::min(t + kPassMs, restEnd);
            }
            break;
        }
        case TMedTech::mtSilence:
        case TMedTech::mtIncreasingBreathCount:
        case TMedTech::mtLoweringBreathCount: break;
        }
        if (t > s.medtime)
            return closing();
    }
}

QStringList Voice(const char *phase, int count)
{
    QStringList files;
    for (int i = 0; i < count; ++i)
        files << QStringLiteral("/v/%1/%2.mp3").arg(QLatin1String(phase)).arg(i);
    return files;
}

// The voice library, the playlists and the options stay; each meditation gets a fresh
// clock, audio library, host and player.
struct Library
{
    TInstructorVoiceSets voices;
    std::unique_ptr<TMp3FilesList> music = std::make_unique<TMp3FilesList>();
    std::unique_ptr<TMp3FilesList> backs = std::make_unique<TMp3FilesList>();

    explicit Library(int bodyParts)
    {
        TInstructorVoices &v = voices[0];
        v.VoiceCoef = 0.4;
        v.FRemindersTech1List = Voice("pireminder", 3);
        v.FRemindersTech2List = Voice("pirembr", 3);
        v.FRemindersTech3InhalList = Voice("pireminhal", 2);
        v.FRemindersTech3ExhalList = Voice("piremexhal", 2);
        v.FRemindersTech6List = Voice("piremtech6", bodyParts);
        v.FRemindersConcIntTimeList = Voice("announcement", 2);
        v.FRemindersConcIntTimeNotBegList = Voice("announcement", 2);
        v.FRemindersConcIntEndList = Voice("piConcIntEnd", 2);
        v.FMedBegsTech1List = Voice("intro", 1);
        v.FMedBegsTech2List = Voice("intro", 1);
        v.FMedBegsTech3List = Voice("intro", 1);
        v.FMedBegsTech4List = Voice("intro", 1);
        v.FMedBegsTech5List = Voice("intro", 1);
        v.FMedBegsTech6List = Voice("intro", 1);
        v.FMedBegsTech7List = Voice("intro", 1);
        v.FMedBegsTech8List = Voice("intro", 1);
        v.FMedBegsQuickList = Voice("intro", 1);
        v.FMedBegsTechConcAddList = Voice("intro", 1);
        v.FMedEndsList = Voice("pimedend", 2);
        v.FMedEndsTech6List = Voice("pimedendofrel", 1);
        backs->AddList(QStringLiteral("Дождь"));
        backs->at(0).mp3files = QStringList{QStringLiteral("/bg/0.mp3"), QStringLiteral("/bg/1.mp3")};
    }
};

// Runs one meditation of the player and returns its main part and closing phrase.
std::vector<Entry> PlayerMainPart(Library &library, const Settings &s)
{
    quint64 clock = 0;
    FakeAudio audio{clock};
    VirtualHost host{clock, audio};
    TOptionsData options;
    TMeditationPlayer player{audio, host, options, library.voices, *library.music, *library.backs};
    audio.SetDefaultDuration(s.phraseMs);
    for (const QString &file : library.backs->at(0).mp3files)
        audio.SetDuration(file, s.backgroundMs);
    host.onUpdateOptions = [&options, &s] {
        options.FMedTechnique = s.technique;
        options.FMedLenMin = qint32(s.medtime / 60'000);
        options.FRemIntTech1Sec = s.remindSec;
        options.FRemIntTech3MSec = qint32(s.breathMs);
        options.FRemIntTech6MSec = qint32(s.bodyMs);
        options.FConcIntSec = qint32(s.concMs / 1000);
        options.FDoNotPlayIntro = s.quickIntro;
        options.FPlaySound = s.backgroundMs > 0;
        options.FBackSoundFileNum = 1;
        options.FVolume = 1.0;
    };
    player.Button2Click();

    std::vector<Entry> out;
    const quint64 start = host.progressEnabledAt.value_or(0);
    for (const FakeAudio::Played &play : audio.PlaysUnder(QStringLiteral("/v/"))) {
        if (play.start < start || !host.progressEnabledAt)
            continue;
        const QStringList parts = play.file.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        const bool bodyPart = parts.at(1) == QLatin1String("piremtech6") && s.technique == TMedTech::mtBodyPartsEnum;
        out.push_back({parts.at(1), bodyPart ? parts.at(2).chopped(4).toInt() : -1, play.start - start});
    }
    return out;
}

// The silences before each random reminder: from the start of the meditation time or the
// end of the previous reminder, in ms.
std::vector<double> Silences(const std::vector<Entry> &entries, quint64 phraseMs)
{
    std::vector<double> silences;
    quint64 since = 0;
    for (const Entry &entry : entries) {
        if (entry.phase == QLatin1String("pimedend"))
            break;
        silences.push_back(double(entry.at - since));
        since = entry.at + phraseMs;
    }
    return silences;
}

// The two-sample Kolmogorov-Smirnov statistic: the largest distance between the two
// empirical distribution functions.
double KolmogorovSmirnov(std::vector<double> a, std::vector<double> b)
{
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    std::size_t i = 0;
    std::size_t j = 0;
    double largest = 0.0;
    while (i < a.size() && j < b.size()) {
        const double x = std::min(a[i], b[j]);
        while (i < a.size() && a[i] == x)
            ++i;
        while (j < b.size() && b[j] == x)
            ++j;
        largest = std::max(largest, std::abs(double(i) / double(a.size()) - double(j) / double(b.size())));
    }
    return largest;
}

// The distance above which two samples of these sizes come from different distributions,
// at the 0.1 % level.
double KolmogorovSmirnovLimit(std::size_t n, std::size_t m)
{
    return 1.949 * std::sqrt(double(n + m) / (double(n) * double(m)));
}

} // namespace

Q_DECLARE_METATYPE(TMedTech)
Q_DECLARE_METATYPE(Settings)

class TestSequencerTimeline : public QObject
{
    Q_OBJECT

private slots:
    void timedTechniquesKeepTheirTimelines_data();
    void timedTechniquesKeepTheirTimelines();
    void randomRemindersKeepTheirDistribution_data();
    void randomRemindersKeepTheirDistribution();
};

void TestSequencerTimeline::timedTechniquesKeepTheirTimelines_data()
{
    QTest::addColumn<Settings>("settings");
    using enum TMedTech;
    const auto row = [](const char *name, Settings s) { QTest::newRow(name) << s; };
    row("silence", {.technique = mtSilence});
    row("lowering breath count, 7 minutes", {.technique = mtLoweringBreathCount, .medtime = 420'000});
    row("each breath, phrases shorter than the interval",
        {.technique = mtEachBreathReminds, .medtime = 180'000, .phraseMs = 1000, .breathMs = 3000});
    row("each breath, phrases longer than the interval",
        {.technique = mtEachBreathReminds, .medtime = 180'000, .phraseMs = 4000, .breathMs = 3000});
    row("each breath, odd lengths and a background that changes files",
        {.technique = mtEachBreathReminds, .medtime = 120'000, .phraseMs = 1237, .breathMs = 2990, .backgroundMs = 2711});
    row("body parts after the introduction",
        {.technique = mtBodyPartsEnum, .medtime = 120'000, .phraseMs = 2000, .bodyMs = 5000});
    row("body parts after the quick introduction, a background",
        {.technique = mtBodyPartsEnum, .medtime = 120'000, .phraseMs = 1500, .bodyMs = 4010, .quickIntro = true, .backgroundMs = 3000});
    row("random body parts, runs of seventeen",
        {.technique = mtRandomBodyPartsEnum, .medtime = 180'000, .phraseMs = 50, .bodyMs = 100, .bodyParts = 20});
    row("concentration, two periods",
        {.technique = mtConcIntervals, .medtime = 60'000, .phraseMs = 2000, .concMs = 30'000, .remindSec = 10});
    row("concentration, short periods and odd phrases",
        {.technique = mtConcIntervals, .medtime = 180'000, .phraseMs = 1234, .concMs = 7000, .remindSec = 3});
    row("concentration, a rest that the end cuts short",
        {.technique = mtConcIntervals, .medtime = 60'000, .phraseMs = 999, .concMs = 13'000, .remindSec = 17});
}

void TestSequencerTimeline::timedTechniquesKeepTheirTimelines()
{
    QFETCH(Settings, settings);
    Library library(settings.bodyParts);
    SeedRandom(77);
    const std::vector<Entry> player = PlayerMainPart(library, settings);
    const std::vector<Entry> reference = ReferenceMainPart(settings, 0.0, [] { return 1.0; });
    QVERIFY(!reference.empty());
    for (std::size_t i = 0; i < std::min(player.size(), reference.size()); ++i)
        QVERIFY2(player[i] == reference[i],
                 qPrintable(QStringLiteral("phrase %1: player %2, reference %3").arg(i).arg(Describe(player, i), Describe(reference, i))));
    QCOMPARE(player.size(), reference.size());
}

void TestSequencerTimeline::randomRemindersKeepTheirDistribution_data()
{
    QTest::addColumn<Settings>("settings");
    using enum TMedTech;
    // Phrases of 1 s, the background changing files at moments of its own.
    QTest::newRow("thoughts, every 3 s") << Settings{.technique = mtThoughtsReminds, .remindSec = 3, .quickIntro = true, .backgroundMs = 4321};
    QTest::newRow("breath, every 5 s, after its pause")
        << Settings{.technique = mtBreathReminds, .medtime = 120'000, .remindSec = 5, .backgroundMs = 2500};
}

void TestSequencerTimeline::randomRemindersKeepTheirDistribution()
{
    QFETCH(Settings, settings);
    constexpr int kMeditations = 2000;
    const double p = 20.0 / settings.remindSec / 1000.0;
    Library library(settings.bodyParts);
    SeedRandom(20261211);
    std::vector<double> player;
    for (int i = 0; i < kMeditations; ++i) {
        const std::vector<double> silences = Silences(PlayerMainPart(library, settings), settings.phraseMs);
        player.insert(player.end(), silences.begin(), silences.end());
    }

    const auto reference = [&settings](double probability, std::uint64_t seed) {
        std::mt19937_64 generator(seed);
        std::uniform_real_distribution<double> uniform(0.0, 1.0);
        const auto random = [&] { return uniform(generator); };
        std::vector<double> all;
        for (int i = 0; i < kMeditations; ++i) {
            const std::vector<double> silences = Silences(ReferenceMainPart(settings, probability, random), settings.phraseMs);
            all.insert(all.end(), silences.begin(), silences.end());
        }
        return all;
    };
    const std::vector<double> old = reference(p, 1);
    const double limit = KolmogorovSmirnovLimit(player.size(), old.size());
    const double distance = KolmogorovSmirnov(player, old);
    QVERIFY2(distance < limit, qPrintable(QStringLiteral("distance %1, limit %2, %3 and %4 silences")
                                              .arg(distance).arg(limit).arg(player.size()).arg(old.size())));
    // The comparison is sharp enough: a tenth more probability per pass is told apart.
    const std::vector<double> likelier = reference(p * 1.1, 2);
    QVERIFY2(KolmogorovSmirnov(likelier, old) > KolmogorovSmirnovLimit(likelier.size(), old.size()),
             qPrintable(QString::number(KolmogorovSmirnov(likelier, old))));
}

QTEST_GUILESS_MAIN(TestSequencerTimeline)
#include "tst_sequencertimeline.moc"
