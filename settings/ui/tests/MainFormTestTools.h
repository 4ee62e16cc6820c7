#pragma once

#include "player/tests/NoSoundAudio.h"
#include "settings/ui/MainForm.h"

#include <QStringList>
#include <memory>


// A main window over `programDir` whose message boxes and error reports land in the lists.
// Questions land in `questions` and get `*answer` (QMessageBox::Yes, No or Cancel).
inline std::unique_ptr<TMainForm> MakeQuietMainForm(const QString &programDir, QStringList *messages,
                                                    QStringList *errors, QStringList *questions = nullptr,
                                                    const int *answer = nullptr)
{
    TMainFormEnvironment env;
    env.programDir = programDir;
    env.audio = std::make_unique<NoSoundAudio>();
    env.showMessage = [messages](const QString &text) { *messages << text; };
    env.reportError = [errors](const QString &text) { *errors << text; };
    env.runShutdown = [] {};
    env.askYesNoCancel = [questions, answer](const QString &question) {
        if (questions)
            *questions << question;
        return answer ? *answer : 0x00400000;  // QMessageBox::Cancel
    };
    return std::make_unique<TMainForm>(std::move(env));
}
