#pragma once

#include "playlists/Mp3FilesList.h"
#include "playlists/ui/DialogHooks.h"

#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;
class QToolButton;
class NesvaraError;

// The playlist editor. It works on a copy of the caller's collection; the caller's
// collection changes only when the user leaves with OK.
class TMp3FilesListsForm : public QDialog
{
    Q_OBJECT

public:
    // `folderChooser` serves "Добавить каталог"; it must outlive the editor.
    explicit TMp3FilesListsForm(IFolderChooser *folderChooser, QWidget *parent = nullptr);
    ~TMp3FilesListsForm() override;

    // Shows the editor for `list`, whose file is `listfilename`. True when the user left
    // with OK; `list` then holds the edited playlists.
    bool EditList(TMp3FilesList &list, const QString &listfilename);

    // The working copy and the "changed since the last save" flag, for inspection.
    const TMp3FilesList &WorkingCopy() const { return *FLists; }
    bool Changed() const { return FChanged; }

    // Standard dialogs, replaceable in tests.
    FileChooser ChooseFile = StandardFileChooser();
    FilesChooser ChooseFiles = StandardFilesChooser();
    YesNoQuestion AskYesNo = StandardYesNoQuestion();
    MessageSink ShowMessage = StandardMessageSink();

    // Playlists side.
    QListWidget *ListBox1;
    QToolButton *SpeedButton1;
    QToolButton *SpeedButton3;
    QPushButton *Button8;
    QPushButton *Button9;
    QPushButton *Button7;
    QPushButton *Button15;
    QPushButton *Button16;
    // The displayed playlist.
    QScrollBar *VolumeScroll;
    QLineEdit *VolumeEdit;
    QLineEdit *CurListNameEdit;
    QListWidget *fileslist;
    QToolButton *SpeedButton2;
    QToolButton *SpeedButton4;
    QPushButton *Button3;
    QPushButton *Button14;
    QPushButton *Button1;
    // Bottom.
    QPushButton *Button4;
    QPushButton *Button5;
    QPushButton *Button6;

public slots:
    // The names box got the input focus: pending edits of the displayed playlist go back
    // into the working copy.
    void ListBox1Enter();
    void ListBox1Click();
    void SpeedButton1Click();
    void SpeedButton3Click();
    void Button8Click();
    void Button9Click();
    void Button7Click();
    void Button15Click();
    void Button16Click();
    void SpeedButton2Click();
    void SpeedButton4Click();
    void Button3Click();
    void Button14Click();
    void Button1Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void CurListNameEditChange();
    void VolumeScrollChange();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildControls();
    void ConnectControls();

    void ShowCurItem();
    void UpdateVolumeEdit();
    void UpdateCurItem();
    void UpdateListComponents();
    void SwapFilesInFilesList(int a, int b);

    int SelectedList() const;
    int SelectedFile() const;
    void SelectList(int index);
    qint32 AddFolderAsPlaylists(const QString &dir, qint32 extrtype);
    // Runs a handler; an unforeseen error stops it and is shown, since exceptions must not
    // cross the event loop.
    void Guarded(const std::function<void()> &action);
    void ReportError(const NesvaraError &error);

    std::unique_ptr<TMp3FilesList> FLists;
    bool FCurListNameChanged = false;
    bool FItemChanged = false;
    bool FRes = false;
    QString FDataFile;
    bool FChanged = false;
    IFolderChooser *FFolderChooser;
};
