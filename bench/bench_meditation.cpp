// Benchmark program, not a test: plays one meditation the way the user starts it (the main
// window's Start button) through the real audio layer, and prints what the user-interface
// thread did meanwhile. bench/run.sh times the whole process from outside.
//
//   bench_meditation --program-dir DIR [--minutes 2] [--technique 1] [--reminder-sec 3]
//                    [--breath-ms 2000] [--instructor 0] [--backsound 1]
//                    [--background-files a.mp3,b.mp3] [--opened-files OUT]
//                    [--loop-memory-bytes N]   (0: every file streams, loops too)
//
// Figures: the CPU seconds from Start to the end, all threads and the user-interface
// thread alone, and what this program's own sampling of /proc cost the latter; how long
// phrases sounded and how long the silences between them lasted, and
// for each of the two the user-interface thread's wake-ups per second, counted two ways:
// its voluntary context switches (every real sleep) and its event loop's blocking waits;
// and for every thread of the process its wake-ups per second in each of the two (all its
// context switches) and its CPU seconds, from /proc/self/task at each change.

#include "bench/BenchClock.h"
#include "bench/MemorySplit.h"
#include "bench/ObservedAudio.h"
#include "bench/ThreadStats.h"
#include "player/MeditationPlayer.h"
#include "player/SdlMpg123Audio.h"
#include "settings/ui/MainForm.h"
#include "shell/Assert.h"
#include "shell/ui/NesvaraApplication.h"
#include "voices/Techniques.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCommandLineParser>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTextStream>

#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <ctime>

namespace {

struct Settings
{
    QString programDir;
    qint32 minutes = 2;
    int technique = int(TMedTech::mtThoughtsReminds);
    qint32 reminderSec = 3;
    qint32 breathMs = 2000;
    int instructor = 0;
    int backsound = 1;
    QStringList backgroundFiles;
    QString openedFilesOut;
    std::size_t loopMemoryBytes = SdlMpg123Audio::kLoopMemoryLimitBytes;
};

Settings ParseSettings(const QCoreApplication &app)
{
    QCommandLineParser parser;
    const QCommandLineOption programDir(QStringLiteral("program-dir"), QStringLiteral("Program folder with Sounds."), QStringLiteral("dir"));
    const QCommandLineOption minutes(QStringLiteral("minutes"), QStringLiteral("Meditation length."), QStringLiteral("n"), QStringLiteral("2"));
    const QCommandLineOption technique(QStringLiteral("technique"), QStringLiteral("Technique number."), QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption reminderSec(QStringLiteral("reminder-sec"), QStringLiteral("Mean reminder interval."), QStringLiteral("s"), QStringLiteral("3"));
    const QCommandLineOption breathMs(QStringLiteral("breath-ms"), QStringLiteral("Breath phrase interval."), QStringLiteral("ms"), QStringLiteral("2000"));
    const QCommandLineOption instructor(QStringLiteral("instructor"), QStringLiteral("Instructor number."), QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption backsound(QStringLiteral("backsound"), QStringLiteral("Background list, 1-based."), QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption backgroundFiles(QStringLiteral("background-files"), QStringLiteral("Files that replace the background list."), QStringLiteral("list"));
    const QCommandLineOption openedFiles(QStringLiteral("opened-files"), QStringLiteral("Where to list the files played."), QStringLiteral("file"));
    const QCommandLineOption loopMemory(QStringLiteral("loop-memory-bytes"), QStringLiteral("Largest loop kept decoded in memory."), QStringLiteral("n"),
                                        QString::number(SdlMpg123Audio::kLoopMemoryLimitBytes));
    parser.addOptions({programDir, minutes, technique, reminderSec, breathMs, instructor, backsound, backgroundFiles, openedFiles, loopMemory});
    parser.process(app);

    Settings settings;
    settings.programDir = parser.value(programDir);
    if (!settings.programDir.endsWith(QLatin1Char('/')))
        settings.programDir += QLatin1Char('/');
    settings.minutes = parser.value(minutes).toInt();
    settings.technique = parser.value(technique).toInt();
    settings.reminderSec = parser.value(reminderSec).toInt();
    settings.breathMs = parser.value(breathMs).toInt();
    settings.instructor = parser.value(instructor).toInt();
    settings.backsound = parser.value(backsound).toInt();
    if (parser.isSet(backgroundFiles))
        settings.backgroundFiles = parser.value(backgroundFiles).split(QLatin1Char(','));
    settings.openedFilesOut = parser.value(openedFiles);
    settings.loopMemoryBytes = parser.value(loopMemory).toULongLong();
    return settings;
}

// Splits the user-interface thread's time into "a phrase sounds" and "between phrases"
// and counts its wake-ups in each.
class PhaseMeter
{
public:
    struct Totals
    {
        double seconds = 0;
        long long switches = 0;
        long long waits = 0;
        long long progressPaints = 0;
        int entries = 0;
    };

    void Start(bool speaking)
    {
        Mark();
        m_speaking = speaking;
        m_running = true;
        ++m_totals[m_speaking].entries;
    }
    void Switch(bool speaking)
    {
        if (!m_running || speaking == m_speaking)
            return;
        Account();
        m_speaking = speaking;
        ++m_totals[m_speaking].entries;
    }
    void Stop()
    {
        if (m_running)
            Account();
        m_running = false;
    }
    void CountWait() { ++m_waits; }
    // A label of the progress row painted anew: one visible change of the progress.
    void CountProgressPaint() { ++m_progressPaints; }
    const Totals &Phrases() const { return m_totals[1]; }
    const Totals &Between() const { return m_totals[0]; }
    const bench::ThreadTotals &PhraseThreads() const { return m_threads[1]; }
    const bench::ThreadTotals &BetweenThreads() const { return m_threads[0]; }

private:
    void Mark()
    {
        m_since = bench::MonotonicSeconds();
        m_switchesSince = bench::ThreadVoluntarySwitches();
        m_waitsSince = m_waits;
        m_progressPaintsSince = m_progressPaints;
        m_threadsSince = bench::SampleThreads();
    }
    void Account()
    {
        const double now = bench::MonotonicSeconds();
        const long long switches = bench::ThreadVoluntarySwitches();
        Totals &totals = m_totals[m_speaking];
        totals.seconds += now - m_since;
        totals.switches += switches - m_switchesSince;
        totals.waits += m_waits - m_waitsSince;
        totals.progressPaints += m_progressPaints - m_progressPaintsSince;
        const QMap<long long, bench::ThreadSample> threads = bench::SampleThreads();
        m_threads[m_speaking].Add(m_threadsSince, threads);
        Mark();
    }

    std::array<Totals, 2> m_totals{};
    std::array<bench::ThreadTotals, 2> m_threads{};
    QMap<long long, bench::ThreadSample> m_threadsSince;
    bool m_speaking = false;
    bool m_running = false;
    double m_since = 0;
    long long m_switchesSince = 0;
    long long m_waits = 0;
    long long m_waitsSince = 0;
    long long m_progressPaints = 0;
    long long m_progressPaintsSince = 0;
};

// Counts the paints of the progress row's labels: the percentage, and the time left.
class ProgressPaintCounter : public QObject
{
public:
    explicit ProgressPaintCounter(PhaseMeter &meter) : m_meter(meter) {}

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            m_meter.CountProgressPaint();
        return false;
    }

private:
    PhaseMeter &m_meter;
};

double ThreadCpuSeconds()
{
    timespec used{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    return double(used.tv_sec) + double(used.tv_nsec) / 1e9;
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void ChooseOptions(TMainForm &form, const Settings &settings)
{
    TOptionsData &options = form.FOptions;
    options.FMedInstructor = settings.instructor;
    options.FMedTechnique = static_cast<TMedTech>(settings.technique);
    options.FMedLenMin = settings.minutes;
    options.FRemIntTech1Sec = settings.reminderSec;
    options.FRemIntTech3MSec = settings.breathMs;
    options.FVolume = 1.0;
    options.FPlayNidra = false;
    options.FPlayMusic = false;
    options.FPlaySound = true;
    options.FBackSoundFileNum = settings.backsound;
    options.FDoNotPlayIntro = true;
    options.FSwitchOffComputerAfterMeditation = false;
    form.MedInstructorCombo->setCurrentIndex(settings.instructor);
    form.MedInstructorComboClick();
    form.UpdateComponents();
    // The Start button copies the controls into the options: check they say the same.
    form.UpdateOptions();
    if (form.FOptions.FMedTechnique != static_cast<TMedTech>(settings.technique)
        || form.FOptions.FMedLenMin != settings.minutes || form.FOptions.FBackSoundFileNum != settings.backsound)
        qFatal("bench_meditation: the technique, length or background cannot be chosen in the window");
}

void ReplaceBackground(TMainForm &form, const Settings &settings)
{
    if (settings.backgroundFiles.isEmpty())
        return;
    TMp3ListItem &list = form.FBackSoundsLists->at(settings.backsound - 1);
    list.mp3files = settings.backgroundFiles;
    list.Vol = 1.0;
}

// One line per thread that lived while the meditation played: "thread=NAME;wake-ups per s
// while a phrase sounds;wake-ups per s between phrases;CPU s". The user-interface thread
// is "main"; threads of the same name are told apart by a number, in the order of birth.
void PrintThreads(const PhaseMeter &meter)
{
    const auto &phrases = meter.PhraseThreads().Threads();
    const auto &between = meter.BetweenThreads().Threads();
    QMap<long long, QString> names;
    for (auto it = phrases.begin(); it != phrases.end(); ++it)
        names.insert(it.key(), it->name);
    for (auto it = between.begin(); it != between.end(); ++it)
        names.insert(it.key(), it->name);
    const double phraseSeconds = std::max(meter.Phrases().seconds, 1e-9);
    const double betweenSeconds = std::max(meter.Between().seconds, 1e-9);
    QMap<QString, int> seen;
    QTextStream out(stdout);
    for (auto it = names.begin(); it != names.end(); ++it) {
        QString name = it.key() == getpid() ? QStringLiteral("main") : it.value();
        name.replace(QLatin1Char(';'), QLatin1Char('_'));
        if (const int count = ++seen[name]; count > 1)
            name += QStringLiteral(" #%1").arg(count);
        const auto phrase = phrases.value(it.key());
        const auto quiet = between.value(it.key());
        out << "thread=" << name << ';' << QString::number(double(phrase.wakeups) / phraseSeconds, 'f', 3) << ';'
            << QString::number(double(quiet.wakeups) / betweenSeconds, 'f', 3) << ';'
            << QString::number(phrase.cpuSeconds + quiet.cpuSeconds, 'f', 3) << '\n';
    }
}

void WriteLines(const QString &path, const QStringList &lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("bench_meditation: cannot write %s", qPrintable(path));
    QTextStream(&file) << lines.join(QLatin1Char('\n')) << '\n';
}

} // namespace

int main(int argc, char **argv)
{
    TNesvaraApplication app(argc, argv);
    const Settings settings = ParseSettings(app);
    InstructorsInfo.Init();
    QStringList messages;
    InstallAssertPresenter([&messages](const QString &text) { messages << text; });

    PhaseMeter meter;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     [&meter] { meter.CountWait(); });

    // Sampled at every start and end of a phrase: the background's loop is held by then.
    bench::MemorySplit memory;
    auto sdlAudio = std::make_unique<SdlMpg123Audio>(settings.loopMemoryBytes);
    const SdlMpg123Audio &layer = *sdlAudio;
    // Reading /proc at every change costs the UI thread CPU the program itself would not
    // spend; it is counted apart, so that run.sh can leave it out of the meditation's figure.
    double measuringCpu = 0;
    const auto measuring = [&measuringCpu](auto &&sample) {
        const double before = ThreadCpuSeconds();
        sample();
        measuringCpu += ThreadCpuSeconds() - before;
    };
    auto observed = std::make_unique<ObservedAudio>(std::move(sdlAudio), [&](bool speaking) {
        measuring([&] {
            meter.Switch(speaking);
            memory.Sample(layer.MemoryHeldBytes());
        });
    });
    ObservedAudio &audio = *observed;
    TMainFormEnvironment environment;
    environment.programDir = settings.programDir;
    environment.audio = std::move(observed);
    environment.showMessage = [&messages](const QString &text) { messages << text; };
    environment.reportError = [&messages](const QString &text) { messages << text; };
    environment.runShutdown = [] {};
    TMainForm form(std::move(environment));
    form.FinishCreate();
    form.show();
    ProgressPaintCounter progressPaints(meter);
    form.PercentLabel->installEventFilter(&progressPaints);
    form.RemainingLabel->installEventFilter(&progressPaints);
    QCoreApplication::processEvents();

    ChooseOptions(form, settings);
    ReplaceBackground(form, settings);
    audio.SetBackgroundFiles(form.FBackSoundsLists->at(settings.backsound - 1).mp3files);

    const double cpuBefore = CpuSeconds();
    const double uiCpuBefore = ThreadCpuSeconds();
    const double wallBefore = bench::MonotonicSeconds();
    measuring([&meter] { meter.Start(false); });
    form.Button2Click();
    measuring([&meter] { meter.Stop(); });
    const double wall = bench::MonotonicSeconds() - wallBefore;
    const double cpu = CpuSeconds() - cpuBefore;
    const double uiCpu = ThreadCpuSeconds() - uiCpuBefore;

    bench::PrintFigure("meditation_wall_s", wall);
    bench::PrintFigure("meditation_cpu_s", cpu);
    bench::PrintFigure("meditation_ui_thread_cpu_s", uiCpu);
    bench::PrintFigure("measuring_cpu_s", measuringCpu);
    const auto printPhase = [](const char *prefix, const PhaseMeter::Totals &totals) {
        const QByteArray name(prefix);
        const double seconds = std::max(totals.seconds, 1e-9);
        bench::PrintFigure(name + "_s", totals.seconds);
        bench::PrintFigure(name + "_count", totals.entries);
        bench::PrintFigure(name + "_switches_per_s", double(totals.switches) / seconds);
        bench::PrintFigure(name + "_waits_per_s", double(totals.waits) / seconds);
        bench::PrintFigure(name + "_progress_paints_per_s", double(totals.progressPaints) / seconds);
    };
    bench::PrintFigure("background_streams", audio.BackgroundStreams());
    bench::PrintFigure("memory_sampled_rss_kib", double(memory.RssKib()));
    bench::PrintFigure("memory_sampled_anon_kib", double(memory.AnonKib()));
    bench::PrintFigure("memory_sampled_file_kib", double(memory.FileKib()));
    bench::PrintFigure("memory_loop_held_kib", double(memory.MostHeldBytes()) / 1024.0);
    printPhase("phrase", meter.Phrases());
    printPhase("between", meter.Between());
    PrintThreads(meter);
    if (!settings.openedFilesOut.isEmpty())
        WriteLines(settings.openedFilesOut, audio.OpenedFiles());

    for (const QString &message : messages)
        std::fprintf(stderr, "bench_meditation: message shown: %s\n", qPrintable(message));
    return messages.isEmpty() ? 0 : 1;
}
