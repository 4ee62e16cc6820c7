// Start-up: seeds the random generator, installs the assertion handler, creates the windows
// once each in their fixed order and runs the message loop until the main window closes.

#include "player/SdlMpg123Audio.h"
#include "shell/Assert.h"
#include "shell/Helpers.h"
#include "shell/ProgramFolders.h"
#include "shell/ProgramWindows.h"
#include "shell/ui/FormHelpers.h"
#include "shell/ui/NesvaraApplication.h"

#include <QCommandLineParser>
#include <QDBusConnection>
#include <QDir>

namespace {

void showAssertion(const QString &text)
{
    ShowUntitledMessage(QApplication::activeWindow(), text);
}

} // namespace

int main(int argc, char **argv)
{
    SeedRandomFromClock();
    TNesvaraApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nesvara"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
    // Names the desktop file, so that the window gets the menu entry's icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral(NESVARA_APP_ID));
    InstallAssertPresenter(showAssertion);
    PrepareApplication(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Nesvara — проигрыватель медитаций с голосом инструктора."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portable(QStringLiteral("portable"),
                                      QStringLiteral("Хранить настройки и списки в папке программы."));
    parser.addOption(portable);
    parser.process(app);

    const ProgramFolders folders = ResolveProgramFolders(ThisProgramLocation(parser.isSet(portable)));
    SetProgramFolders(folders);
    TMainFormEnvironment environment;
    environment.programDir = folders.dataDir;
    environment.folders = folders;
    environment.audio = std::make_unique<SdlMpg123Audio>();
    environment.reportError = TNesvaraApplication::ShowErrorReport;
    environment.sessionBus = QDBusConnection::sessionBus();
    TProgramWindows windows(std::move(environment));
    windows.mainForm.show();
    return app.exec();
}
