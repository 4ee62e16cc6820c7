#include "shell/ui/NesvaraApplication.h"

#include "shell/Errors.h"
#include "shell/ui/FormHelpers.h"

namespace {

// Qt's own event loop instead of GLib's: a meditation wakes the window's thread many times
// a second to show the progress, and each GLib iteration costs about half as much again.
// The program's dialogs are Qt's, none needs GLib. Qt reads the choice as the application
// object is made, so it is set just before.
int &WithQtEventLoop(int &argc)
{
    qputenv("QT_NO_GLIB", "1");
    return argc;
}

} // namespace

TNesvaraApplication::TNesvaraApplication(int &argc, char **argv) : QApplication(WithQtEventLoop(argc), argv) {}

bool TNesvaraApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const NesvaraError &error) {
        ShowErrorReport(error.text());
    } catch (const std::exception &error) {
        ShowErrorReport(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

void TNesvaraApplication::ShowErrorReport(const QString &text)
{
    ShowNesvaraError(activeWindow(), text);
}
