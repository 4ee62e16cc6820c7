// Benchmark program, not a test: starts the program the way its own main() does (the same
// windows in the same order, the real audio layer) from a given program folder, and prints
// how long it took until the main window was first painted.
//
//   BENCH_LAUNCH_NS=$(date +%s%N) bench_startup PROGRAM_DIR
//
// Figures: from the launch (the time the caller put in BENCH_LAUNCH_NS, so that loading the
// executable and its libraries counts) and from the first line of main(); and how many
// music playlists the window lists, so that a collection that failed to load shows.

#include "bench/BenchClock.h"
#include "player/SdlMpg123Audio.h"
#include "shell/Assert.h"
#include "shell/Helpers.h"
#include "shell/ProgramWindows.h"
#include "shell/ui/NesvaraApplication.h"

#include <QComboBox>
#include <QDir>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

double RealtimeSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Ends the event loop at the main window's first paint.
class FirstPaintWatcher : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && paintedAt == 0) {
            paintedAt = bench::MonotonicSeconds();
            paintedAtRealtime = RealtimeSeconds();
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }
    double paintedAt = 0;
    double paintedAtRealtime = 0;
};

} // namespace

int main(int argc, char **argv)
{
    const double mainEntered = bench::MonotonicSeconds();
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_startup PROGRAM_DIR\n");
        return 2;
    }

    SeedRandomFromClock();
    TNesvaraApplication app(argc, argv);
    QStringList messages;
    InstallAssertPresenter([&messages](const QString &text) { messages << text; });
    PrepareApplication(app);

    TMainFormEnvironment environment;
    environment.programDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QLatin1Char('/');
    environment.audio = std::make_unique<SdlMpg123Audio>();
    environment.showMessage = [&messages](const QString &text) { messages << text; };
    environment.reportError = [&messages](const QString &text) { messages << text; };
    TProgramWindows windows(std::move(environment));
    TMainForm &mainForm = windows.mainForm;

    FirstPaintWatcher watcher;
    mainForm.installEventFilter(&watcher);
    mainForm.show();
    QTimer::singleShot(10000, &app, &QCoreApplication::quit);
    app.exec();
    if (watcher.paintedAt == 0) {
        std::fprintf(stderr, "bench_startup: the main window was never painted\n");
        return 1;
    }

    const QByteArray launch = qgetenv("BENCH_LAUNCH_NS");
    if (!launch.isEmpty())
        bench::PrintFigure("startup_from_launch_ms", (watcher.paintedAtRealtime - launch.toDouble() / 1e9) * 1000.0);
    bench::PrintFigure("startup_from_main_ms", (watcher.paintedAt - mainEntered) * 1000.0);
    bench::PrintFigure("music_playlists", mainForm.MusFileCombo->count());
    for (const QString &message : messages)
        std::fprintf(stderr, "bench_startup: message shown: %s\n", qPrintable(message));
    return messages.isEmpty() ? 0 : 1;
}
