#pragma once

#include "playlists/ui/DialogHooks.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QListWidget;
class QPushButton;

// The folder chooser: a folder, typed, picked from the history or browsed to, and the way
// its files become playlists.
class TChooseFolderForm : public QDialog, public IFolderChooser
{
    Q_OBJECT

public:
    // How the folder becomes playlists; the index in the list is the `extrtype` result.
    enum ImportMode : qint32 {
        imFolderAsOnePlaylist = 0,
        imEachSubFolder = 1,
        imEachFile = 2,
        imEachFileWithSubFolders = 3,
    };
    static constexpr qint32 kHistoryLimit = 20;

    explicit TChooseFolderForm(QWidget *parent = nullptr);

    bool GetFolder(QString &dir, qint32 &extrtype, QStringList &prevdirs) override;

    // Opens the directory browser at the typed folder; replaceable in tests.
    std::function<bool(const QString &typed, QString &res)> ChooseDir;
    MessageSink ShowMessage = StandardMessageSink();

    QComboBox *CommonFolderCombo;
    QPushButton *Button10;
    QListWidget *ListBox1;
    QPushButton *Button1;
    QPushButton *Button2;

public slots:
    void Button10Click();
    void Button1Click();
    void Button2Click();

private:
    bool FRes = false;
};
