#pragma once

#include "journal/JournalEntry.h"
#include "player/AudioLibrary.h"
#include "player/PlayerHost.h"
#include "playlists/Mp3FilesList.h"
#include "settings/ExtraOptions.h"
#include "settings/OptionsData.h"
#include "shell/ProgramFolders.h"
#include "shell/MediaState.h"
#include "voices/InstructorVoices.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QToolButton;
class TMeditationPlayer;
class TMprisService;
class TDesktopNotifier;
class QShortcut;
class PlayerWaits;
class TMp3FilesListsForm;
class TAutoMusicListsUpdateForm;
class PracticeJournal;
class TPracticeJournalForm;
class CommandRunner;
class PowerOff;
class PowerOffCountdown;
class SleepInhibitor;

// What the main window needs from the outside world; tests replace the message boxes, the
// audio library and the shutdown command.
struct TMainFormEnvironment
{
    QString programDir;  // ends with a separator
    // Where the options, the playlists and the recordings are; without it, all of them are
    // in programDir (portable mode).
    std::optional<ProgramFolders> folders;
    std::unique_ptr<AudioLibrary> audio;
    // A "Nesvara" message box with one OK button.
    std::function<void(const QString &)> showMessage;
    // The default error report for errors nobody foresaw.
    std::function<void(const QString &)> reportError;
    // Switches the computer off after a meditation; by default the countdown window, then
    // logind (or "systemctl poweroff").
    std::function<void()> runShutdown;
    // The bus of logind; without it, the system bus. Tests give a private one.
    std::optional<QDBusConnection> systemBus;
    // Runs "systemctl poweroff" when logind refuses; without it, a real process.
    std::shared_ptr<CommandRunner> commands;
    // The desktop's session bus for the media controls and notifications; none in tests
    // that do not ask for it.
    std::optional<QDBusConnection> sessionBus;
    // "Nesvara" question with Да / Нет / Отмена; returns QMessageBox::Yes, No or Cancel.
    std::function<int(const QString &)> askYesNoCancel;
};

// The program's main window: it shows every setting in a control, keeps the controls and
// the options in step, and hands meditations to the player.
class TMainForm : public QWidget, private PlayerHost
{
    Q_OBJECT

public:
    explicit TMainForm(TMainFormEnvironment environment, QWidget *parent = nullptr);
    ~TMainForm() override;

    // Dialogs created by start-up after the main window.
    void SetDialogs(TMp3FilesListsForm *listsEditor, TAutoMusicListsUpdateForm *autoUpdate);
    void FinishCreate();

    // Controls -> options. Throws ConversionError when an edit holds no integer; the
    // fields read before it keep their new values.
    void UpdateOptions() override;
    // Options -> controls.
    void UpdateComponents();
    void WatchCompsEnabled();
    void ShowAvailTechnicks();
    TMedTech CurTech() const;

    void updateMusicFilesListCombo();
    void updateBackSoundsFilesListCombo();
    void UpdateNidrasFilesCombo();

    // Handlers, callable directly (tests) and wired to the controls.
    void MedInstructorComboClick();
    void MedTechinkComboClick();
    void VolumeScrollScroll();
    void MusFileComboChange();
    void MusicFileButtonClick();
    void MusicFileItemClick(int tag);
    void AlterMusFilesListButtonClick();
    void AlterBackSoundsFilesListButtonClick();
    void AutoUpdateMusListsButtonClick();
    void HelpButtonClick();
    void Button1Click();
    void Button2Click();
    void StopButtonClick();
    // Pause and resume; also Space while a meditation plays, and the desktop's media keys.
    void PauseButtonClick();
    void Button3Click();
    void JournalButtonClick();

    TOptionsData FOptions;
    TExtraOptions FExtraOptions;
    QString ExtraOptionsFile;
    TInstructorVoiceSets FInstuctorVoices;
    std::unique_ptr<TMp3FilesList> FMusicLists;
    std::unique_ptr<TMp3FilesList> FBackSoundsLists;
    QString OptionsFile;
    QString MusicListsFile;
    QString BackSounsListFile;

    // Controls, named as the program's code refers to them.
    QComboBox *MedTechinkCombo = nullptr;
    QComboBox *MedInstructorCombo = nullptr;
    QToolButton *HelpButton = nullptr;
    QMenu *HelpPopup = nullptr;
    QLineEdit *MedLenEdit = nullptr;
    QScrollBar *MedLenScroll = nullptr;
    QScrollBar *VolumeScroll = nullptr;
    QWidget *AnyRemindersPanel = nullptr;
    QWidget *RemindTech1IntPanel = nullptr;
    QWidget *RemindConcPanel = nullptr;
    QWidget *RemindTech2IntPanel = nullptr;
    QWidget *RemindTech5IntPanel = nullptr;
    QLineEdit *RemindIntervalTech1Edit = nullptr;
    QScrollBar *RemindIntervalTech1Scroll = nullptr;
    QLineEdit *ConcIntDurEdit = nullptr;
    QScrollBar *ConcIntDurScroll = nullptr;
    QLineEdit *RemindIntervalTech2Edit = nullptr;
    QScrollBar *RemindIntervalTech2Scroll = nullptr;
    QLineEdit *RemindIntervalTech5Edit = nullptr;
    QScrollBar *RemindIntervalTech5Scroll = nullptr;
    QCheckBox *PlayNidraCheck = nullptr;
    QComboBox *NidraTypeCombo = nullptr;
    QCheckBox *PlayMusicCheck = nullptr;
    QComboBox *PlayMusicBeforeCombo = nullptr;
    QLabel *MusFileLabel = nullptr;
    QComboBox *MusFileCombo = nullptr;
    QToolButton *MusicFileButton = nullptr;
    QMenu *MusFilePopup = nullptr;
    QPushButton *AlterMusFilesListButton = nullptr;
    QToolButton *AutoUpdateMusListsButton = nullptr;
    QCheckBox *NoPlayIntroductionToMed = nullptr;
    QCheckBox *PlaySoundCheck = nullptr;
    QCheckBox *SwitchOffCompCheck = nullptr;
    QLabel *BackSoundsFileLabel = nullptr;
    QComboBox *SoundFileCombo = nullptr;
    QPushButton *AlterBackSoundsFilesListButton = nullptr;
    QScrollBar *ProgressScroll = nullptr;
    QLabel *PercentLabel = nullptr;
    QLabel *RemainingLabel = nullptr;
    QCheckBox *NotifyCheck = nullptr;
    QPushButton *PauseButton = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *StopButton = nullptr;
    QPushButton *Button3 = nullptr;
    QPushButton *JournalButton = nullptr;

    TMeditationPlayer &Player() { return *m_player; }
    PracticeJournal &Journal() { return *m_journal; }
    TPracticeJournalForm *JournalForm() const { return m_journalForm.get(); }
    // What the player sees of this window.
    PlayerHost &Host() { return *this; }
    SleepInhibitor &Inhibitor() { return *m_inhibitor; }
    // The power-off countdown on screen, or null.
    PowerOffCountdown *Countdown() const;

signals:
    void aboutRequested();
    // A page of the program's help, by its file name.
    void helpRequested(const QString &page);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();
    void BuildControls();
    QWidget *BuildTopPanel();
    QWidget *BuildLengthPanel();
    QWidget *BuildRemindersPanel();
    QWidget *BuildMainPanel();
    QWidget *BuildProgressPanel();
    QWidget *BuildButtonsPanel();
    void KeepListsNarrow();
    void FitOnScreen();
    void SetKeyboardOrder();
    void NameControls();
    void LimitNumberFields();
    void ConnectHandlers();
    void ConnectDesktop();
    void OnMediaCommand(TMediaCommand command);
    void ShowPauseState(bool playing);
    void UpdateMediaState(std::optional<TPlaybackStatus> status = std::nullopt);
    void UpdateRemainingTime();
    void NotifyIfUnseen();
    void LoadCollections();
    void ShowFirstStartChoices();
    void StartPowerOffCountdown();
    void ShowSaved();
    bool SettingsChanged();
    bool ConfirmLeaving();

    void UpdateMedLenEdit();
    void UpdateRemIntEdit();
    void UpdateMedLenScroll();
    void UpdateRemIntScroll();
    void ShowMusicFileButton();
    void AfterMusicListsChanged();

    // The folder of the practice journal: for now the program's folder, beside the playlists.
    QString JournalFolder() const;
    // Writes the meditation started last, once, when it has ended.
    void RecordMeditation();

    // Runs a handler and shows any error it raises in the default error report.
    void Guarded(const std::function<void()> &handler);

    // PlayerHost
    quint64 TickCount() override;
    void ProcessMessages() override;
    void Sleep(int ms) override;
    void WaitForActivity() override;
    void ShowMessage(const QString &text) override;
    int SelectedMusicPlaylist() override;
    void ShowProgress(double progr) override;
    void EnableStopButton() override;
    void EnableProgressScroll() override;
    void DisableProgressScroll() override;
    void DisableStopButton() override;
    void RunShutdownCommand() override;

    TMainFormEnvironment m_env;
    ProgramFolders m_folders;
    std::unique_ptr<TMprisService> m_mpris;
    std::unique_ptr<TDesktopNotifier> m_notifier;
    QShortcut *m_pauseShortcut = nullptr;
    QTimer m_remainingTimer;
    quint64 m_meditationNumber = 0;
    QElapsedTimer m_clock;
    std::unique_ptr<PlayerWaits> m_waits;
    std::unique_ptr<TMeditationPlayer> m_player;
    TMp3FilesListsForm *m_listsEditor = nullptr;
    TAutoMusicListsUpdateForm *m_autoUpdate = nullptr;
    bool m_showingOptions = false;
    std::unique_ptr<PracticeJournal> m_journal;
    std::unique_ptr<TPracticeJournalForm> m_journalForm;
    std::optional<JournalEntry> m_startedMeditation;
    bool m_placedOnScreen = false;
    std::unique_ptr<SleepInhibitor> m_inhibitor;
    std::shared_ptr<CommandRunner> m_commands;
    std::unique_ptr<PowerOff> m_powerOff;
    QPointer<PowerOffCountdown> m_countdown;
    bool m_leavingConfirmed = false;
    // The options as the file holds them (or as a first start shows them).
    TOptionsData m_savedOptions;
    QLabel *m_savedLabel = nullptr;
};
