#pragma once

#include "player/AudioLibrary.h"
#include "player/PlayerHost.h"
#include "playlists/Mp3FilesList.h"
#include "settings/OptionsData.h"
#include "voices/InstructorVoices.h"

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QToolButton;
class TMeditationPlayer;
class PlayerWaits;
class TMp3FilesListsForm;
class TAutoMusicListsUpdateForm;

// What the main window needs from the outside world; tests replace the message boxes, the
// audio library and the shutdown command.
struct TMainFormEnvironment
{
    QString programDir;  // ends with a separator
    std::unique_ptr<AudioLibrary> audio;
    // A "Nesvara" message box with one OK button.
    std::function<void(const QString &)> showMessage;
    // The default error report for errors nobody foresaw.
    std::function<void(const QString &)> reportError;
    std::function<void()> runShutdown;
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
    void Button3Click();

    TOptionsData FOptions;
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
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *StopButton = nullptr;
    QPushButton *Button3 = nullptr;

    TMeditationPlayer &Player() { return *m_player; }

signals:
    void aboutRequested();
    void webPageRequested(const QString &path);

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
    void LoadCollections();
    void ShowFirstStartChoices();
    void ShowSaved();
    bool SettingsChanged();
    bool ConfirmLeaving();

    void UpdateMedLenEdit();
    void UpdateRemIntEdit();
    void UpdateMedLenScroll();
    void UpdateRemIntScroll();
    void ShowMusicFileButton();
    void AfterMusicListsChanged();

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
    QElapsedTimer m_clock;
    std::unique_ptr<PlayerWaits> m_waits;
    std::unique_ptr<TMeditationPlayer> m_player;
    TMp3FilesListsForm *m_listsEditor = nullptr;
    TAutoMusicListsUpdateForm *m_autoUpdate = nullptr;
    bool m_showingOptions = false;
    bool m_placedOnScreen = false;
    bool m_leavingConfirmed = false;
    // The options as the file holds them (or as a first start shows them).
    TOptionsData m_savedOptions;
    QLabel *m_savedLabel = nullptr;
};
