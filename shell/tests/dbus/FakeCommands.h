#pragma once

#include "shell/PowerOff.h"

#include <QTimer>

// Stands for "systemctl poweroff": records the command and answers as told, later, as a
// process would.
class FakeCommands : public CommandRunner
{
public:
    QList<QStringList> runs;
    QString error;

    void Run(const QString &program, const QStringList &arguments,
             std::function<void(const QString &)> done) override
    {
        runs << (QStringList{program} + arguments);
        QTimer::singleShot(0, [done, answer = error] { done(answer); });
    }
};
