#include "shell/ui/NesvaraApplication.h"

#include "shell/Errors.h"
#include "shell/ui/FormHelpers.h"


TNesvaraApplication::TNesvaraApplication(int &argc, char **argv) : QApplication(argc, argv) {}

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
