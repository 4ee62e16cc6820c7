#pragma once

#include <QApplication>

// The application object. Qt does not let exceptions cross its event loop, so errors that
// no handler foresaw are caught where events are delivered and shown in the default error
// report; the program goes on.
class TNesvaraApplication : public QApplication
{
public:
    TNesvaraApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    static void ShowErrorReport(const QString &text);
};
