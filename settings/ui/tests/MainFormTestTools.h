#pragma once

#include "player/AudioLibrary.h"
#include "settings/ui/MainForm.h"

#include <QStringList>
#include <memory>

// An audio library with no device: every stream is refused, so nothing ever plays.
class NoSoundAudio : public AudioLibrary
{
public:
    bool Init() override { return true; }
    void Free() override {}
    StreamHandle StreamCreateFile(const QString &) override { return 0; }
    void ChannelSetVolume(StreamHandle, float) override {}
    void ChannelPlay(StreamHandle) override {}
    void ChannelPlayAfter(StreamHandle, StreamHandle) override {}
    bool ChannelIsActive(StreamHandle) override { return false; }
    void ChannelStop(StreamHandle) override {}
    void StreamFree(StreamHandle) override {}
    void ChannelPause(StreamHandle) override {}
    void ChannelResume(StreamHandle) override {}
};

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
