#include "player/MeditationPlayer.h"

#include "player/ProgressFormat.h"
#include "shell/FileKinds.h"
#include "shell/Helpers.h"

#include <QDir>
#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

const QString &SoundFileNotFoundText()
{
    static const QString text = QStringLiteral("Звуковой файл не найден.");
    return text;
}

// A file that is there but does not play is not called missing.
QString LoadFailureText(const QString &fname)
{
    if (FileKindOf(fname) == TFileKind::Missing)
        return QStringLiteral("Аудио файл не найден!");
    return QStringLiteral("Файл не удаётся проиграть: это не MP3-запись.\n%1").arg(QDir::toNativeSeparators(fname));
}

constexpr quint64 kMainLoopPassMs = 20;
constexpr quint64 kPauseAfterIntroMs = 1000;
constexpr qint32 kBodyPartsPerRun = 17;
// While paused nothing moves: the waits only look for the click that resumes or stops, and
// any event ends them. The timeout is only a guard, so a long pause barely wakes the program.
constexpr int kPausedPassMs = 60'000;
constexpr quint64 kFadeOutMs = 4000;

quint64 AtLeast(qint32 value, qint32 minimum)
{
    return static_cast<quint64>(std::max(value, minimum));
}

int SleepSpan(quint64 ms)
{
    return static_cast<int>(std::min<quint64>(ms, std::numeric_limits<int>::max()));
}

// Far beyond any meditation, and still far from overflowing when turned into a time.
constexpr double kMaxDrawnPasses = 1e15;

// How many 20 ms passes up to and including the first on which a trial of probability p
// succeeds: the geometric distribution, drawn at once instead of a trial on every pass.
quint64 PassesUntilSuccess(double p)
{
    if (!(p > 0.0))
        return static_cast<quint64>(kMaxDrawnPasses);
    if (p >= 1.0)
        return 1;
    const double passes = std::floor(std::log1p(-RandomReal()) / std::log1p(-p)) + 1.0;
    return passes < kMaxDrawnPasses ? static_cast<quint64>(passes) : static_cast<quint64>(kMaxDrawnPasses);
}

} // namespace

TMeditationPlayer::TMeditationPlayer(AudioLibrary &audio, PlayerHost &host,
                                     TOptionsData &options, TInstructorVoiceSets &voices,
                                     TMp3FilesList &musicLists, TMp3FilesList &backSoundsLists)
    : m_audio(audio)
    , m_host(host)
    , m_options(options)
    , m_voices(voices)
    , m_musicLists(musicLists)
    , m_backSoundsLists(backSoundsLists)
{
}

void TMeditationPlayer::Button2Click()
{
    m_host.UpdateOptions();
    DoPlayMed();
}

void TMeditationPlayer::StopButtonClick()
{
    NoteEnd(TMedEnd::Stopped);
    FStopped = true;
}

void TMeditationPlayer::ExitButtonClick()
{
    FStopped = true;
    if (!FPlaying)
        return;
    HaltChannel1();
    StopPlayingBackSound();
}

void TMeditationPlayer::ReleaseAudio()
{
    // "Выход" stops first and then closes: the closing is what ended it.
    if (FPlaying && (!m_end || *m_end == TMedEnd::Stopped))
        m_end = TMedEnd::WindowClosed;
    FStopped = true;
    m_audio.Free();
    // Free released every stream; forgetting them keeps the winding-up meditation away.
    fhstr1 = 0;
    fhstr2 = 0;
    m_queuedBack = 0;
    m_queuedBackFile.clear();
    m_queuedMusic = 0;
    m_queuedMusicOpened = false;
}

// ---------------------------------------------------------------------------------------
// Channels and the timed wait

StreamHandle TMeditationPlayer::Bass_Load(const QString &filename)
{
    return m_audio.StreamCreateFile(filename);
}

bool TMeditationPlayer::IsPlayingSomethingIn1()
{
    return fhstr1 != 0 && !FStopped && m_audio.ChannelIsActive(fhstr1);
}

bool TMeditationPlayer::IsPlayingSomethingIn2()
{
    return fhstr2 != 0 && m_audio.ChannelIsActive(fhstr2);
}

// Sleeps until the wait is over, waking only for an event or the end of a stream. With
// canstopiftimeover the end of the meditation time is noticed as a wait of 20 ms passes
// would notice it: at the first pass after it, counted from the last wake.
bool TMeditationPlayer::DoSleep(quint64 timems, bool canstopiftimeover, bool &timeover)
{
    timeover = false;
    const quint64 sbegtime = MedClock();
    while (MedClock() < sbegtime + timems) {
        m_host.ProcessMessages();
        CheckPlayingBackSound();
        if (FStopped)
            return false;
        if (FPaused) {
            WaitWhilePaused();
            continue;
        }
        const quint64 now = MedClock();
        const quint64 timeEnd = m_run.starttime + m_run.medtime;
        if (canstopiftimeover && now > timeEnd) {
            timeover = true;
            return true;
        }
        quint64 wakeAt = sbegtime + timems;
        if (canstopiftimeover)
            wakeAt = std::min(wakeAt, now + kMainLoopPassMs * ((timeEnd - now) / kMainLoopPassMs + 1));
        m_host.Sleep(SleepSpan(wakeAt - now));
    }
    // A pause clicked in the last round holds the caller here too.
    WaitWhilePaused();
    // A stop handled in the last pause counts as much as one handled before it.
    return !FStopped;
}

// ---------------------------------------------------------------------------------------
// Pause

quint64 TMeditationPlayer::MedClock() const
{
    const quint64 now = FPaused ? m_pausedAt : m_host.TickCount();
    return now - m_summary.pausedMs;
}

void TMeditationPlayer::PauseButtonClick()
{
    if (!FPlaying || FStopped)
        return;
    if (FPaused)
        Resume();
    else
        Pause();
}

std::array<StreamHandle, 4> TMeditationPlayer::HeldStreams() const
{
    return {fhstr1, m_queuedMusic, fhstr2, m_queuedBack};
}

void TMeditationPlayer::Pause()
{
    m_pausedAt = m_host.TickCount();
    FPaused = true;
    for (StreamHandle stream : HeldStreams())
        if (stream != 0)
            m_audio.ChannelPause(stream);
}

void TMeditationPlayer::Resume()
{
    for (StreamHandle stream : HeldStreams())
        if (stream != 0)
            m_audio.ChannelResume(stream);
    m_summary.pausedMs += m_host.TickCount() - m_pausedAt;
    FPaused = false;
}

// Handles the window's messages, rarely, until the pause ends or a stop comes.
void TMeditationPlayer::WaitWhilePaused()
{
    while (FPaused && !FStopped) {
        m_host.ProcessMessages();
        if (FPaused && !FStopped)
            m_host.Sleep(kPausedPassMs);
    }
}

std::optional<quint64> TMeditationPlayer::MeditationTimeLeftMs() const
{
    if (!FPlaying || !m_mainPartRunning)
        return std::nullopt;
    const quint64 elapsed = MedClock() - m_run.starttime;
    return elapsed < m_run.medtime ? m_run.medtime - elapsed : 0;
}

quint64 TMeditationPlayer::MeditationElapsedMs() const
{
    return FPlaying && m_mainPartRunning ? MedClock() - m_run.starttime : 0;
}

bool TMeditationPlayer::DoSleep20ms(bool canstopiftimeover, bool &timeover)
{
    return DoSleep(kMainLoopPassMs, canstopiftimeover, timeover);
}

// ---------------------------------------------------------------------------------------
// Phases

const TInstructorVoices *TMeditationPlayer::CurrentVoices() const
{
    const std::size_t instructor = m_options.FMedInstructor;
    return instructor < m_voices.size() ? &m_voices[instructor] : nullptr;
}

double TMeditationPlayer::CurrentVoiceCoef() const
{
    const TInstructorVoices *voices = CurrentVoices();
    return voices != nullptr ? voices->VoiceCoef : 0.0;
}

bool TMeditationPlayer::ChoosePlayFName(const QStringList *fileslist, qint32 snum, QString &res)
{
    res.clear();
    const qint32 count = fileslist != nullptr ? static_cast<qint32>(fileslist->size()) : 0;
    const bool validIndex = snum == -1 || (snum >= 0 && snum < count);
    if (count == 0 || !validIndex) {
        NoteEnd(TMedEnd::MissingPhrase);
        m_host.ShowMessage(SoundFileNotFoundText());
        FStopped = true;
        return false;
    }
    res = fileslist->at(snum == -1 ? GetIntRandom(count) : snum);
    return true;
}

bool TMeditationPlayer::LoadAndPlayOnChannel1(const QString &fname, double volume)
{
    if (fhstr1 != 0)
        m_audio.StreamFree(fhstr1);
    fhstr1 = Bass_Load(fname);
    if (fhstr1 == 0) {
        m_host.ShowMessage(LoadFailureText(fname));
        return false;
    }
    m_audio.ChannelSetVolume(fhstr1, static_cast<float>(volume));
    m_audio.ChannelPlay(fhstr1);
    return true;
}

void TMeditationPlayer::PlayPhase(TPhaseId phaseid, bool delayuntilend, qint32 soundnum)
{
    // A phrase started while a stop is pending would be freed at once; after the window
    // has released the audio library it must not be started at all.
    if (FStopped)
        return;
    const TInstructorVoices *voices = CurrentVoices();
    const QStringList *list = voices != nullptr ? PhaseFilesList(*voices, phaseid) : nullptr;
    QString FName;
    if (!ChoosePlayFName(list, soundnum, FName))
        return;
    if (!LoadAndPlayOnChannel1(FName, m_options.FVolume))
        return;
    if (delayuntilend)
        WaitForPhaseEnd();
}

void TMeditationPlayer::WaitForPhaseEnd()
{
    if (!PlayChannel1ToEnd([this] { CheckPlayingBackSound(); }))
        return;
    if (fhstr1 != 0)
        m_audio.StreamFree(fhstr1);
    fhstr1 = 0;
}

// The stop request is tested after every event handling, in the pending messages as in
// the pause: a stop halts channel 1 at once, wherever the click was handled, and the
// halted stream stays in fhstr1.
bool TMeditationPlayer::PlayChannel1ToEnd(const std::function<void()> &afterMessages)
{
    for (;;) {
        if (FStopped) {
            HaltChannel1();
            return false;
        }
        if (FPaused) {
            WaitWhilePaused();
            continue;
        }
        if (!IsPlayingSomethingIn1())
            return true;
        m_host.ProcessMessages();
        afterMessages();
        if (!FStopped)
            m_host.WaitForActivity();
    }
}

void TMeditationPlayer::HaltChannel1()
{
    DropQueuedMusic();
    if (fhstr1 != 0)
        m_audio.ChannelStop(fhstr1);
}

// ---------------------------------------------------------------------------------------
// Music and background sound

QStringList TMeditationPlayer::MusicFiles(qint32 musicnum) const
{
    if (musicnum < 0 || musicnum >= m_musicLists.flistscount)
        return {};
    const QStringList &files = m_musicLists.at(musicnum).mp3files;
    const qint32 sub = m_options.FMusicSubFileNum;
    if (sub == -1)
        return files;
    if (sub >= 0 && sub < files.size())
        return {files.at(sub)};
    return {};
}

float TMeditationPlayer::MusicVolume(qint32 musicnum) const
{
    return static_cast<float>(m_musicLists.at(musicnum).Vol * CurrentVoiceCoef() * m_options.FVolume);
}

// Each following file is opened while the one before plays and starts at its last frame,
// so the playlist sounds without gaps. A file that cannot be opened is reported when its
// turn comes, and the rest of the music is skipped.
void TMeditationPlayer::PlayMusic(qint32 musicnum, bool delayuntilend)
{
    const QStringList mlist = MusicFiles(musicnum);
    if (mlist.isEmpty() || FStopped)
        return;
    if (!LoadAndPlayOnChannel1(mlist.front(), MusicVolume(musicnum)))
        return;
    // Without waiting only the first file is started; it plays on by itself.
    if (!delayuntilend)
        return;
    for (qsizetype next = 1;; ++next) {
        const bool last = next >= mlist.size();
        if (!last)
            QueueMusicFile(mlist.at(next), MusicVolume(musicnum));
        const auto keepInStep = [this, musicnum] { KeepQueuedMusicInStep(MusicVolume(musicnum)); };
        if (!PlayChannel1ToEnd(keepInStep) || last)
            return;
        if (!TakeOverQueuedMusic())
            return;
    }
}

void TMeditationPlayer::QueueMusicFile(const QString &fname, float volume)
{
    DropQueuedMusic();
    m_queuedMusic = Bass_Load(fname);
    m_queuedMusicFile = fname;
    m_queuedMusicOpened = m_queuedMusic != 0;
    if (m_queuedMusic == 0)
        return;
    m_queuedMusicVolume = volume;
    m_audio.ChannelSetVolume(m_queuedMusic, volume);
    m_audio.ChannelPlayAfter(m_queuedMusic, fhstr1);
}

// A music file takes the volume in force when it starts.
void TMeditationPlayer::KeepQueuedMusicInStep(float volume)
{
    if (m_queuedMusic != 0 && volume != m_queuedMusicVolume) {
        m_queuedMusicVolume = volume;
        m_audio.ChannelSetVolume(m_queuedMusic, volume);
    }
}

// Channel 1 moves on to the file that followed the ended one; false when that file could
// not be opened (reported here, at its turn).
bool TMeditationPlayer::TakeOverQueuedMusic()
{
    if (!m_queuedMusicOpened) {
        m_host.ShowMessage(LoadFailureText(m_queuedMusicFile));
        return false;
    }
    if (fhstr1 != 0)
        m_audio.StreamFree(fhstr1);
    fhstr1 = std::exchange(m_queuedMusic, 0);
    // It took over by itself unless the one before ended without reaching its last frame.
    if (!m_audio.ChannelIsActive(fhstr1))
        m_audio.ChannelPlay(fhstr1);
    return true;
}

void TMeditationPlayer::DropQueuedMusic()
{
    if (m_queuedMusic != 0)
        m_audio.StreamFree(m_queuedMusic);
    m_queuedMusic = 0;
    m_queuedMusicOpened = false;
}

const TMp3ListItem *TMeditationPlayer::ChosenBackSoundList() const
{
    if (!m_options.FPlaySound)
        return nullptr;
    const qint32 index = m_options.FBackSoundFileNum - 1;
    if (index < 0 || index >= m_backSoundsLists.flistscount)
        return nullptr;
    const TMp3ListItem &list = m_backSoundsLists.at(index);
    return list.mp3files.isEmpty() ? nullptr : &list;
}

float TMeditationPlayer::BackSoundVolume(const TMp3ListItem &list) const
{
    return static_cast<float>(list.Vol * CurrentVoiceCoef() * m_options.FVolume);
}

qint32 TMeditationPlayer::NextBackSoundFile(const TMp3ListItem &list) const
{
    const qint32 next = FCurBackSoundFile + 1;
    return next < 0 || next > list.mp3files.size() - 1 ? 0 : next;
}

void TMeditationPlayer::StartBackSoundFile(const TMp3ListItem &list)
{
    DropQueuedBackSound();
    if (fhstr2 != 0)
        m_audio.StreamFree(fhstr2);
    fhstr2 = Bass_Load(list.mp3files.at(FCurBackSoundFile));
    // A file that cannot be opened stays silent; the caller moves on.
    if (fhstr2 == 0)
        return;
    m_audio.ChannelSetVolume(fhstr2, BackSoundVolume(list));
    m_audio.ChannelPlay(fhstr2);
    QueueNextBackSoundFile(list);
}

// The following file (the same one again in a one-file playlist) is opened, and so decoded
// ahead, while fhstr2 plays, and starts by itself at its last frame.
void TMeditationPlayer::QueueNextBackSoundFile(const TMp3ListItem &list)
{
    DropQueuedBackSound();
    m_queuedBackFile = list.mp3files.at(NextBackSoundFile(list));
    m_queuedBack = Bass_Load(m_queuedBackFile);
    // Not retried at every check: once fhstr2 ends, the check skips it the old way.
    if (m_queuedBack == 0)
        return;
    m_queuedBackVolume = BackSoundVolume(list);
    m_audio.ChannelSetVolume(m_queuedBack, m_queuedBackVolume);
    m_audio.ChannelPlayAfter(m_queuedBack, fhstr2);
}

// The volume of a background file is the one in force when it starts, and the following
// file is the one the playlist names then: the waiting stream follows the options.
void TMeditationPlayer::KeepQueuedBackSoundInStep(const TMp3ListItem &list)
{
    if (list.mp3files.at(NextBackSoundFile(list)) != m_queuedBackFile) {
        QueueNextBackSoundFile(list);
        return;
    }
    const float volume = BackSoundVolume(list);
    if (m_queuedBack != 0 && volume != m_queuedBackVolume) {
        m_queuedBackVolume = volume;
        m_audio.ChannelSetVolume(m_queuedBack, volume);
    }
}

void TMeditationPlayer::TakeOverQueuedBackSound(const TMp3ListItem &list)
{
    if (fhstr2 != 0)
        m_audio.StreamFree(fhstr2);
    fhstr2 = std::exchange(m_queuedBack, 0);
    m_queuedBackFile.clear();
    FCurBackSoundFile = NextBackSoundFile(list);
    QueueNextBackSoundFile(list);
}

void TMeditationPlayer::DropQueuedBackSound()
{
    if (m_queuedBack != 0)
        m_audio.StreamFree(m_queuedBack);
    m_queuedBack = 0;
    m_queuedBackFile.clear();
}

void TMeditationPlayer::StartPlayingBackSound()
{
    const TMp3ListItem *list = ChosenBackSoundList();
    if (list == nullptr)
        return;
    FCurBackSoundFile = 0;
    StartOpenableBackSoundFile(*list);
}

// A file that cannot be opened is passed over at once, so the next one follows without a
// gap; each file of the playlist is tried once.
void TMeditationPlayer::StartOpenableBackSoundFile(const TMp3ListItem &list)
{
    StartBackSoundFile(list);
    for (qsizetype tried = 1; fhstr2 == 0 && tried < list.mp3files.size(); ++tried) {
        FCurBackSoundFile = NextBackSoundFile(list);
        StartBackSoundFile(list);
    }
}

void TMeditationPlayer::CheckPlayingBackSound()
{
    // A stopped meditation starts no further file (the library may be released already),
    // and one that dies away neither.
    if (FStopped || m_backFading)
        return;
    const TMp3ListItem *list = ChosenBackSoundList();
    if (list == nullptr) {
        // Switched off: the playing file ends by itself and nothing follows it.
        DropQueuedBackSound();
        return;
    }
    if (IsPlayingSomethingIn2()) {
        KeepQueuedBackSoundInStep(*list);
        return;
    }
    // The library started the following file as this one ended; it only changes places.
    if (m_queuedBack != 0 && m_audio.ChannelIsActive(m_queuedBack)) {
        TakeOverQueuedBackSound(*list);
        return;
    }
    FCurBackSoundFile = NextBackSoundFile(*list);
    StartOpenableBackSoundFile(*list);
}

void TMeditationPlayer::StopPlayingBackSound()
{
    // The waiting file goes first, so that it cannot take over in between. Halted whatever
    // FPlaySound says now: the box may have been cleared during the meditation, and the
    // background must not outlive it.
    DropQueuedBackSound();
    if (IsPlayingSomethingIn2())
        m_audio.ChannelStop(fhstr2);
}

// At the end rather than at the next start: a loop kept in memory is given back before
// the meditation is written to the journal.
void TMeditationPlayer::FreeBackSound()
{
    if (fhstr2 != 0)
        m_audio.StreamFree(fhstr2);
    fhstr2 = 0;
}

// ---------------------------------------------------------------------------------------
// The meditation

TMedTech TMeditationPlayer::CurrentTechnique() const
{
    return IsKnownTech(m_options.FMedTechnique) ? m_options.FMedTechnique : TMedTech::mtSilence;
}

void TMeditationPlayer::FixRunValues()
{
    m_run = TMedRun{};
    m_run.techeabrinterval = AtLeast(m_options.FRemIntTech3MSec, 0);
    m_run.techbodparinterval = AtLeast(m_options.FRemIntTech6MSec, 0);
    m_run.ConcInterval = AtLeast(m_options.FConcIntSec, 0) * 1000;
    m_run.medtime = AtLeast(m_options.FMedLenMin, 1) * 60 * 1000;
    m_run.averemintsec = std::max(m_options.FRemIntTech1Sec, 1);
    m_run.intremprob = 20.0 / m_run.averemintsec / 1000.0;
}

void TMeditationPlayer::DoPlayMed()
{
    if (FPlaying)
        return;
    m_host.UpdateOptions();
    m_host.EnableStopButton();
    FPlaying = true;
    FStopped = false;
    FPaused = false;
    m_summary = TMedSummary{};
    m_end.reset();
    m_mainPartRunning = false;
    FixRunValues();

    try {
        const TNext next = PlayBeginning() ? RunMainPart() : TNext::Finish;
        NoteMainPartEnd();
        if (next == TNext::Closing) {
            // Its time ran out: whatever stops the closing phrase or the music after it,
            // the meditation itself was whole.
            m_end = TMedEnd::Completed;
            PlayClosing();
            if (!FStopped) {
                m_host.DisableProgressScroll();
                PlayMusicAfterMeditation();
            }
        }
    } catch (...) {
        // An unforeseen error abandons the meditation, but never leaves it "running".
        NoteEnd(TMedEnd::Failed);
        NoteMainPartEnd();
        FStopped = true;
        Finish();
        throw;
    }
    Finish();
}

// Music at the beginning, the background, the preparation, music after it and the
// introduction; false when the meditation was stopped meanwhile.
bool TMeditationPlayer::PlayBeginning()
{
    if (m_options.FPlayMusic && m_options.FMusicPosition == 0) {
        PlayMusic(m_options.FMusicFileNum);
        if (FStopped)
            return false;
    }
    StartPlayingBackSound();
    if (m_options.FPlayNidra && m_options.FNidraFileNum >= 0
        && m_options.FNidraFileNum < kPreparationPhaseCount)
        PlayPhase(PreparationPhase(m_options.FNidraFileNum));
    if (FStopped)
        return false;
    if (m_options.FPlayMusic && m_options.FMusicPosition == 1) {
        StopPlayingBackSound();
        PlayMusic(m_options.FMusicFileNum);
        if (FStopped)
            return false;
        StartPlayingBackSound();
    }
    PlayIntroduction();
    if (FStopped)
        return false;
    m_run.FirstConcIntPlayed = false;
    m_run.starttime = MedClock();
    m_mainPartRunning = true;
    // After the start of the time: the window asks for the time left as it enables the row.
    m_host.EnableProgressScroll();
    return true;
}

void TMeditationPlayer::PlayIntroduction()
{
    m_run.lastremtime.reset();
    m_run.lastremexhal = true;
    if (m_options.FDoNotPlayIntro) {
        PlayPhase(TPhaseId::pimedbegtechquick);
        return;
    }
    switch (CurrentTechnique()) {
    case TMedTech::mtSilence: PlayPhase(TPhaseId::pimedbegtechsil); break;
    case TMedTech::mtThoughtsReminds: PlayPhase(TPhaseId::pimedbegtechthrem); break;
    case TMedTech::mtBreathReminds:
        PlayPhase(TPhaseId::pimedbegtechbrrem);
        m_run.lastremtime = MedClock() + kPauseAfterIntroMs;
        break;
    case TMedTech::mtConcIntervals:
        PlayPhase(TPhaseId::pimedbegtechsil);
        PlayPhase(TPhaseId::piMedPrepTechConcAddText);
        break;
    case TMedTech::mtEachBreathReminds: PlayPhase(TPhaseId::pimedbegtecheachbr); break;
    case TMedTech::mtIncreasingBreathCount: PlayPhase(TPhaseId::pimedbegtechincbrco); break;
    case TMedTech::mtLoweringBreathCount: PlayPhase(TPhaseId::pimedbegtechlowbrco); break;
    case TMedTech::mtBodyPartsEnum:
        PlayPhase(TPhaseId::pimedbegtechbodpar);
        m_run.lastremtime = MedClock() + kPauseAfterIntroMs;
        break;
    case TMedTech::mtRandomBodyPartsEnum:
        PlayPhase(TPhaseId::pimedbegtechranbodpar);
        m_run.lastremtime = MedClock() + kPauseAfterIntroMs;
        break;
    }
}

// The timed main part: a pass every 20 ms until the meditation time is over. The loop
// sleeps from one pass where something is due to the next: a reminder, a breath phrase, a
// body part, a concentration cycle, a visible change of the progress, the end of the time.
// Every wake handles the window's messages and plans again, so a changed technique counts
// from the next pass.
TMeditationPlayer::TNext TMeditationPlayer::RunMainPart()
{
    BeginPasses();
    for (;;) {
        if (FStopped)
            return TNext::Finish;
        if (FPaused) {
            WaitWhilePaused();
            continue;
        }
        const quint64 pass = NextPassWithWork();
        if (MedClock() < PassTime(pass)) {
            const TNext next = WaitForPass(PassTime(pass));
            if (next != TNext::Continue)
                return next;
            continue;
        }
        m_run.passesrun = pass;
        const TNext next = RunPass(pass);
        if (next != TNext::Continue)
            return next;
    }
}

void TMeditationPlayer::BeginPasses()
{
    m_run.passorigin = MedClock();
    m_run.passesrun = 0;
    m_run.plannedpass.reset();
    m_run.reminderpass.reset();
}

quint64 TMeditationPlayer::PassTime(quint64 pass) const
{
    return m_run.passorigin + pass * kMainLoopPassMs;
}

quint64 TMeditationPlayer::FirstPassFrom(quint64 moment) const
{
    if (moment <= m_run.passorigin)
        return 0;
    return (moment - m_run.passorigin + kMainLoopPassMs - 1) / kMainLoopPassMs;
}

quint64 TMeditationPlayer::FirstPassAfter(quint64 moment) const
{
    if (moment < m_run.passorigin)
        return 0;
    return (moment - m_run.passorigin) / kMainLoopPassMs + 1;
}

quint64 TMeditationPlayer::FirstPassNotRun() const
{
    return std::max(m_run.passesrun + 1, FirstPassFrom(MedClock()));
}

// The main part ends at the first pass after its time, which runs in full.
quint64 TMeditationPlayer::NextPassWithWork()
{
    // A wake a little late for its pass still runs that pass.
    if (m_run.plannedpass && *m_run.plannedpass > m_run.passesrun && PassTime(*m_run.plannedpass) <= MedClock())
        return *m_run.plannedpass;
    m_run.plannedpass = PlanNextPass();
    return *m_run.plannedpass;
}

quint64 TMeditationPlayer::PlanNextPass()
{
    const quint64 first = FirstPassNotRun();
    quint64 next = FirstPassAfter(m_run.starttime + m_run.medtime);
    next = std::min(next, TechniquePass(first));
    next = std::min(next, ProgressPass(first));
    return std::max(next, first);
}

quint64 TMeditationPlayer::TechniquePass(quint64 first)
{
    constexpr quint64 never = std::numeric_limits<quint64>::max();
    const TMedTech technique = CurrentTechnique();
    const bool random = technique == TMedTech::mtThoughtsReminds || technique == TMedTech::mtBreathReminds;
    if (!random)
        m_run.reminderpass.reset();
    switch (technique) {
    case TMedTech::mtThoughtsReminds:
    case TMedTech::mtBreathReminds:
        if (!m_run.reminderpass)
            m_run.reminderpass = first + PassesUntilSuccess(m_run.intremprob) - 1;
        return *m_run.reminderpass;
    case TMedTech::mtConcIntervals: return first;
    case TMedTech::mtEachBreathReminds: return TimedPhrasePass(m_run.techeabrinterval, first);
    case TMedTech::mtBodyPartsEnum:
    case TMedTech::mtRandomBodyPartsEnum: return TimedPhrasePass(m_run.techbodparinterval, first);
    case TMedTech::mtSilence:
    case TMedTech::mtIncreasingBreathCount:
    case TMedTech::mtLoweringBreathCount: break;
    }
    return never;
}

// The first pass later than the interval after the last timed phrase.
quint64 TMeditationPlayer::TimedPhrasePass(quint64 interval, quint64 first) const
{
    if (!m_run.lastremtime)
        return first;
    return FirstPassAfter(*m_run.lastremtime + interval);
}

quint64 TMeditationPlayer::ProgressPass(quint64 first) const
{
    if (!m_run.shownelapsed)
        return first;
    return FirstPassFrom(m_run.starttime + m_run.nextprogresschange);
}

// One wake of the wait for a pass; the time being over is noticed at any wake, as before.
TMeditationPlayer::TNext TMeditationPlayer::WaitForPass(quint64 due)
{
    m_host.ProcessMessages();
    CheckPlayingBackSound();
    if (FStopped)
        return TNext::Finish;
    if (FPaused)
        return TNext::Continue;
    const quint64 now = MedClock();
    if (now > m_run.starttime + m_run.medtime)
        return TNext::Closing;
    if (now < due)
        m_host.Sleep(SleepSpan(due - now));
    return TNext::Continue;
}

TMeditationPlayer::TNext TMeditationPlayer::RunPass(quint64 pass)
{
    if (!IsPlayingSomethingIn1()) {
        const quint64 before = MedClock();
        const TNext next = PlayTechniqueStep(pass);
        if (next != TNext::Continue)
            return next;
        if (FStopped)
            return TNext::Finish;
        // After a phrase the passes count from its end.
        if (MedClock() != before)
            BeginPasses();
        ShowProgressIfChanged();
    }
    if (MedClock() > m_run.starttime + m_run.medtime)
        return TNext::Closing;
    return TNext::Continue;
}

// The bar and its label are only told what they would show differently.
void TMeditationPlayer::ShowProgressIfChanged()
{
    const quint64 elapsed = MedClock() - m_run.starttime;
    if (m_run.shownelapsed && elapsed < m_run.nextprogresschange)
        return;
    m_host.ShowProgress(static_cast<double>(elapsed) / static_cast<double>(m_run.medtime));
    m_run.shownelapsed = elapsed;
    m_run.nextprogresschange = NextProgressChangeMs(elapsed, m_run.medtime);
}

TMeditationPlayer::TNext TMeditationPlayer::PlayTechniqueStep(quint64 pass)
{
    switch (CurrentTechnique()) {
    case TMedTech::mtThoughtsReminds: PlayRandomReminder(TPhaseId::pireminder, pass); break;
    case TMedTech::mtBreathReminds: PlayRandomReminder(TPhaseId::pirembr, pass); break;
    case TMedTech::mtConcIntervals: return PlayConcentrationCycle();
    case TMedTech::mtEachBreathReminds: PlayEachBreathPhrase(); break;
    case TMedTech::mtBodyPartsEnum: PlayBodyPart(); break;
    case TMedTech::mtRandomBodyPartsEnum: PlayRandomBodyPart(); break;
    case TMedTech::mtSilence:
    case TMedTech::mtIncreasingBreathCount:
    case TMedTech::mtLoweringBreathCount: break;
    }
    return TNext::Continue;
}

// The reminder falls on the pass drawn for it.
void TMeditationPlayer::PlayRandomReminder(TPhaseId phase, quint64 pass)
{
    if (!m_run.reminderpass || *m_run.reminderpass > pass)
        return;
    m_run.reminderpass.reset();
    PlayPhase(phase);
}

bool TMeditationPlayer::TimedPhraseDue(quint64 interval)
{
    const quint64 now = MedClock();
    if (m_run.lastremtime.has_value() && now <= *m_run.lastremtime + interval)
        return false;
    // Taken before the phrase plays: the interval runs from the start of the previous one.
    m_run.lastremtime = now;
    return true;
}

void TMeditationPlayer::PlayEachBreathPhrase()
{
    if (!TimedPhraseDue(m_run.techeabrinterval))
        return;
    PlayPhase(m_run.lastremexhal ? TPhaseId::pireminhal : TPhaseId::piremexhal);
    m_run.lastremexhal = !m_run.lastremexhal;
}

qint32 TMeditationPlayer::BodyPartsCount() const
{
    const TInstructorVoices *voices = CurrentVoices();
    return voices != nullptr ? static_cast<qint32>(voices->FRemindersTech6List.size()) : 0;
}

void TMeditationPlayer::PlayBodyPart()
{
    if (!TimedPhraseDue(m_run.techbodparinterval))
        return;
    ++m_run.mnstep;
    if (m_run.mnstep > BodyPartsCount() - 1)
        m_run.mnstep = 0;
    PlayPhase(TPhaseId::piremtech6, true, m_run.mnstep);
}

// Runs of 17 body parts in list order from a random place, each followed by a reminder.
void TMeditationPlayer::PlayRandomBodyPart()
{
    if (!TimedPhraseDue(m_run.techbodparinterval))
        return;
    const qint32 count = BodyPartsCount();
    ++m_run.mnstep;
    if (m_run.mnstep > count - 1)
        m_run.mnstep = 0;
    if (m_run.mncurcount == -1)
        m_run.mnstep = GetIntRandom(count);
    ++m_run.mncurcount;
    if (m_run.mncurcount >= kBodyPartsPerRun) {
        m_run.mncurcount = -1;
        PlayPhase(TPhaseId::pireminder);
    } else {
        PlayPhase(TPhaseId::piremtech6, true, m_run.mnstep);
    }
}

// Announcement, a period of exactly ConcInterval even past the meditation time, the end
// phrase, and a rest that the end of the meditation time cuts short.
TMeditationPlayer::TNext TMeditationPlayer::PlayConcentrationCycle()
{
    if (!m_run.FirstConcIntPlayed || RandomReal() < 0.5)
        PlayPhase(TPhaseId::piConcIntTime);
    else
        PlayPhase(TPhaseId::piConcIntTimeNotBeg);

    bool timeover = false;
    if (!DoSleep(m_run.ConcInterval, false, timeover))
        return TNext::Finish;
    PlayPhase(TPhaseId::piConcIntEnd);
    m_run.FirstConcIntPlayed = true;

    const quint64 rest = static_cast<quint64>(m_run.averemintsec) * 1000;
    if (!DoSleep(rest, true, timeover))
        return TNext::Finish;
    return timeover ? TNext::Closing : TNext::Continue;
}

void TMeditationPlayer::PlayClosing()
{
    switch (CurrentTechnique()) {
    case TMedTech::mtBodyPartsEnum:
    case TMedTech::mtRandomBodyPartsEnum: PlayPhase(TPhaseId::pimedendofrel); break;
    default: PlayPhase(TPhaseId::pimedend); break;
    }
}

void TMeditationPlayer::PlayMusicAfterMeditation()
{
    if (!m_options.FPlayMusic || m_options.FMusicPosition != 2)
        return;
    FadeOutBackSound();
    PlayMusic(m_host.SelectedMusicPlaylist());
}

// The first cause of a stop is the one kept.
void TMeditationPlayer::NoteEnd(TMedEnd end)
{
    if (FPlaying && !m_end)
        m_end = end;
}

void TMeditationPlayer::NoteMainPartEnd()
{
    if (!m_mainPartRunning)
        return;
    m_mainPartRunning = false;
    const quint64 ran = MedClock() - m_run.starttime;
    m_summary.meditatedMs = ran;
}

// The end of a meditation that ran its course: the background dies away instead of
// breaking off. A stop (or Exit) during the fade silences it at once.
void TMeditationPlayer::FadeOutBackSound()
{
    const TMp3ListItem *list = ChosenBackSoundList();
    DropQueuedBackSound();
    if (list == nullptr || FStopped || !IsPlayingSomethingIn2()) {
        StopPlayingBackSound();
        return;
    }
    const QScopedValueRollback fading(m_backFading, true);
    // The mixer lowers the volume sample by sample; the player only waits for the end of
    // the fade, a stop, or the end of the background file.
    m_audio.ChannelFadeOut(fhstr2, int(kFadeOutMs));
    const quint64 end = MedClock() + kFadeOutMs;
    for (m_host.ProcessMessages(); !FStopped && IsPlayingSomethingIn2() && MedClock() < end; m_host.ProcessMessages()) {
        if (FPaused)
            WaitWhilePaused();
        else
            m_host.Sleep(SleepSpan(end - MedClock()));
    }
    // Died away: silent, the stream and a loop it kept in memory go at once.
    if (!FStopped && IsPlayingSomethingIn2())
        m_audio.ChannelSetVolume(fhstr2, 0.0f);
    StopPlayingBackSound();
}

void TMeditationPlayer::Finish()
{
    m_summary.end = m_end.value_or(TMedEnd::Completed);
    if (!FStopped && m_end == TMedEnd::Completed)
        FadeOutBackSound();
    StopPlayingBackSound();
    FreeBackSound();
    // Stopped or closed while paused: that pause counts too.
    if (FPaused)
        Resume();
    m_host.DisableProgressScroll();
    m_host.DisableStopButton();
    FPlaying = false;
    if (m_options.FSwitchOffComputerAfterMeditation && !FStopped)
        m_host.RunShutdownCommand();
}
