// Start-up: seeds the random generator, installs the assertion handler, creates the windows
// once each in their fixed order and runs the message loop until the main window closes.

#include "player/SdlMpg123Audio.h"
#include "shell/Assert.h"
#include "shell/Helpers.h"
#include "shell/ProgramWindows.h"
#include "shell/ui/NesvaraApplication.h"

#include <QDBusConnection>
#include <QDir>
#include <QMessageBox>

namespace {

void showAssertion(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

} // namespace

int main(int argc, char **argv)
{
    SeedRandomFromClock();
    TNesvaraApplication app(argc, argv);
    InstallAssertPresenter(showAssertion);
    PrepareApplication(app);

    TMainFormEnvironment environment;
    environment.programDir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    environment.audio = std::make_unique<SdlMpg123Audio>();
    environment.reportError = TNesvaraApplication::ShowErrorReport;
    environment.sessionBus = QDBusConnection::sessionBus();
    TProgramWindows windows(std::move(environment));
    windows.mainForm.show();
    return app.exec();
}
