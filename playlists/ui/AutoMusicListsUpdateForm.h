#pragma once

#include "playlists/ui/DialogHooks.h"

#include <QDialog>

class QLabel;
class QPushButton;
class TMp3FilesList;

// Rebuilds the music collection from the folder most recently added to its history, one
// playlist per subfolder, and saves it.
class TAutoMusicListsUpdateForm : public QDialog
{
    Q_OBJECT

public:
    explicit TAutoMusicListsUpdateForm(QWidget *parent = nullptr);

    // True when the collection was rebuilt and saved to `muslistfile`. The collection is
    // replaced only after the save succeeded, so on any failure it stays as it was.
    bool CheckUpdate(TMp3FilesList &muslist, const QString &muslistfile);

    MessageSink ShowMessage = StandardMessageSink();
    YesNoQuestion AskYesNo = StandardYesNoQuestion();

    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QPushButton *Button1;
    QPushButton *Button2;

public slots:
    void Button1Click();
    void Button2Click();

private:
    bool RebuildAndSave(TMp3FilesList &muslist, const QString &folder,
                        const QString &muslistfile);
    bool ConfirmRebuild(const TMp3FilesList &old, const TMp3FilesList &rebuilt, const QString &folder);

    bool FRes = false;
};
