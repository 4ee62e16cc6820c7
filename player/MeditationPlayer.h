#pragma once

#include "player/AudioLibrary.h"
#include "player/PhaseTable.h"
#include "player/PlayerHost.h"
#include "playlists/Mp3FilesList.h"
#include "settings/OptionsData.h"
#include "voices/InstructorVoices.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

// How the last meditation ended and how long its timed part ran, for the practice journal.
enum class TMedEnd : quint8 { Completed, Stopped, MissingPhrase, WindowClosed, Failed };
struct TMedSummary
{
    TMedEnd end = TMedEnd::Completed;
    quint64 meditatedMs = 0; // from the start of the timed part to its end, pauses excluded
    quint64 pausedMs = 0;
};

// Plays one meditation at a time: music, the background sound, the preparation recording,
// the technique's introduction, its timed main part and the closing phrase. Everything runs
// inside the Start button's handler; every wait handles the window's messages through the
// host, so Stop, Start, the volume bar and closing the window act during a meditation.
//
// Channel 1 (fhstr1) carries the voice and the music, channel 2 (fhstr2) the background.
// The background's following file waits beside channel 2, chained to start at the frame
// where the playing one ends, so the playlist sounds without gaps.
class TMeditationPlayer
{
public:
    TMeditationPlayer(AudioLibrary &audio, PlayerHost &host, TOptionsData &options,
                      TInstructorVoiceSets &voices, TMp3FilesList &musicLists,
                      TMp3FilesList &backSoundsLists);
    TMeditationPlayer(const TMeditationPlayer &) = delete;
    TMeditationPlayer &operator=(const TMeditationPlayer &) = delete;

    // The Start button: refreshes the options, then plays a meditation unless one runs.
    void Button2Click();
    void DoPlayMed();
    // The Stop button: only raises the stop request; the running wait notices it.
    void StopButtonClick();
    // The Exit button: the window closes before the running wait gets control back, so the
    // sound is halted here, at once.
    void ExitButtonClick();
    // The Pause button: holds both channels where they are and stops the meditation's clock,
    // or goes on from there. Does nothing when no meditation runs or a stop is pending.
    void PauseButtonClick();
    // Time left of the timed part, by the meditation's clock; empty outside that part.
    std::optional<quint64> MeditationTimeLeftMs() const;
    quint64 MeditationElapsedMs() const;
    quint64 MeditationLengthMs() const { return m_run.medtime; }
    // Closing the window: stops a running meditation and releases the audio library.
    // The meditation then winds up without touching the released streams.
    void ReleaseAudio();

    // Valid once DoPlayMed has returned.
    const TMedSummary &LastSummary() const { return m_summary; }

    StreamHandle Bass_Load(const QString &filename);
    bool IsPlayingSomethingIn1();
    bool IsPlayingSomethingIn2();
    // The timed wait; false when a stop was requested. With canstopiftimeover it also ends,
    // with timeover set, once the running meditation's time is over.
    bool DoSleep(quint64 timems, bool canstopiftimeover, bool &timeover);
    bool DoSleep20ms(bool canstopiftimeover, bool &timeover);

    // soundnum -1 picks a file of the phase's list at random, any other value names one.
    // A missing or empty list (or an index outside it) shows "Звуковой файл не найден."
    // and raises the stop request; a file that cannot be opened shows "Аудио файл не
    // найден!" and the meditation goes on.
    void PlayPhase(TPhaseId phaseid, bool delayuntilend = true, qint32 soundnum = -1);
    bool ChoosePlayFName(const QStringList *fileslist, qint32 snum, QString &res);

    void PlayMusic(qint32 musicnum, bool delayuntilend = true);
    void StartPlayingBackSound();
    void CheckPlayingBackSound();
    void StopPlayingBackSound();
    void FreeBackSound();

    StreamHandle fhstr1 = 0;
    StreamHandle fhstr2 = 0;
    bool FPlaying = false;
    bool FStopped = false;
    bool FPaused = false;
    qint32 FCurBackSoundFile = 0;

private:
    enum class TNext { Continue, Closing, Finish };

    // Values fixed when a meditation starts, and its running state.
    struct TMedRun
    {
        quint64 techeabrinterval = 0;
        quint64 techbodparinterval = 0;
        quint64 ConcInterval = 0;
        quint64 medtime = 0;
        qint32 averemintsec = 1;
        double intremprob = 0.0;

        quint64 starttime = 0;
        // Empty until the first timed phrase is due: then it is due at the first pass,
        // whatever the clock's origin.
        std::optional<quint64> lastremtime;
        bool lastremexhal = true;
        qint32 mnstep = -1;
        qint32 mncurcount = -1;
        bool FirstConcIntPlayed = false;

        // The main loop's passes: one every 20 ms from passorigin (the start of the
        // meditation time, or the end of the last step that took time); the passes up to
        // passesrun are behind. The loop sleeps through the passes where nothing is due.
        quint64 passorigin = 0;
        quint64 passesrun = 0;
        // The pass the loop sleeps towards.
        std::optional<quint64> plannedpass;
        // The pass on which the next random reminder falls, drawn ahead.
        std::optional<quint64> reminderpass;
        // The meditation time the progress shows, and the time at which its display changes.
        std::optional<quint64> shownelapsed;
        quint64 nextprogresschange = 0;
    };

    // The host's clock without the time spent paused: every rule of the meditation runs on it.
    quint64 MedClock() const;
    void Pause();
    void Resume();
    void WaitWhilePaused();
    std::array<StreamHandle, 4> HeldStreams() const;
    void FadeOutBackSound();

    void FixRunValues();
    bool PlayBeginning();
    void PlayIntroduction();
    TNext RunMainPart();
    void BeginPasses();
    quint64 PassTime(quint64 pass) const;
    quint64 FirstPassFrom(quint64 moment) const;
    quint64 FirstPassAfter(quint64 moment) const;
    quint64 FirstPassNotRun() const;
    quint64 NextPassWithWork();
    quint64 PlanNextPass();
    quint64 TechniquePass(quint64 first);
    quint64 TimedPhrasePass(quint64 interval, quint64 first) const;
    quint64 ProgressPass(quint64 first) const;
    TNext WaitForPass(quint64 due);
    TNext RunPass(quint64 pass);
    void ShowProgressIfChanged();
    TNext PlayTechniqueStep(quint64 pass);
    TNext PlayConcentrationCycle();
    void PlayRandomReminder(TPhaseId phase, quint64 pass);
    void PlayEachBreathPhrase();
    void PlayBodyPart();
    void PlayRandomBodyPart();
    bool TimedPhraseDue(quint64 interval);
    void PlayClosing();
    void PlayMusicAfterMeditation();
    void Finish();
    void NoteEnd(TMedEnd end);
    void NoteMainPartEnd();

    const TInstructorVoices *CurrentVoices() const;
    double CurrentVoiceCoef() const;
    TMedTech CurrentTechnique() const;
    qint32 BodyPartsCount() const;
    QStringList MusicFiles(qint32 musicnum) const;
    const TMp3ListItem *ChosenBackSoundList() const;
    void StartBackSoundFile(const TMp3ListItem &list);
    void StartOpenableBackSoundFile(const TMp3ListItem &list);
    qint32 NextBackSoundFile(const TMp3ListItem &list) const;
    float BackSoundVolume(const TMp3ListItem &list) const;
    void QueueNextBackSoundFile(const TMp3ListItem &list);
    void KeepQueuedBackSoundInStep(const TMp3ListItem &list);
    void TakeOverQueuedBackSound(const TMp3ListItem &list);
    void DropQueuedBackSound();
    bool LoadAndPlayOnChannel1(const QString &fname, double volume);
    void WaitForPhaseEnd();
    bool PlayChannel1ToEnd(const std::function<void()> &afterMessages);
    void HaltChannel1();
    float MusicVolume(qint32 musicnum) const;
    void QueueMusicFile(const QString &fname, float volume);
    void KeepQueuedMusicInStep(float volume);
    bool TakeOverQueuedMusic();
    void DropQueuedMusic();

    AudioLibrary &m_audio;
    PlayerHost &m_host;
    TOptionsData &m_options;
    TInstructorVoiceSets &m_voices;
    TMp3FilesList &m_musicLists;
    TMp3FilesList &m_backSoundsLists;
    TMedRun m_run;
    TMedSummary m_summary;
    std::optional<TMedEnd> m_end;
    bool m_mainPartRunning = false;
    // When the running pause began, by the host's clock.
    quint64 m_pausedAt = 0;
    bool m_backFading = false;

    // The background file chained after fhstr2: its handle (0 when it could not be
    // opened), its file (empty when none was tried) and the volume it was given.
    StreamHandle m_queuedBack = 0;
    QString m_queuedBackFile;
    float m_queuedBackVolume = 0.0f;

    // The music file chained after fhstr1 (0 when none, or when it could not be opened).
    StreamHandle m_queuedMusic = 0;
    bool m_queuedMusicOpened = false;
    QString m_queuedMusicFile;
    float m_queuedMusicVolume = 0.0f;
};
