#pragma once

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

// The directory browser: a list of the file-system roots and mounted volumes, and the
// folder tree of the chosen one.
class TChooseDirForm : public QDialog
{
    Q_OBJECT

public:
    explicit TChooseDirForm(QWidget *parent = nullptr);

    // Shows the browser at `typed` (see StartFolderFor: a blank path opens the home folder),
    // on the volume that holds it; on OK `res` is the chosen folder with a trailing separator.
    bool GetDir(QString &res, const QString &typed = QString());

    // The folder the tree shows as current: the selected one, or the volume's root.
    QString CurrentFolder() const;
    void SetCurrentFolder(const QString &folder);

    QComboBox *DriveComboBox1;
    QTreeView *DirectoryListBox1;
    QLabel *Label1;
    QPushButton *SpeedButton1;
    QPushButton *SpeedButton2;

public slots:
    void DriveComboBox1Change();
    void SpeedButton1Click();
    void SpeedButton2Click();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void RefillDrives(const QString &start);
    void ShowDrive(const QString &root);
    void UpdateLabel();
    // Opens the tree down to the current folder and scrolls it into view. The tree's folders
    // load in the background, so this runs again as each folder on the way arrives.
    void RevealCurrent();
    // The tree's rows arrived or were sorted: the current folder may have moved.
    void ModelRowsMoved();

    bool fres = false;
    QFileSystemModel *FModel;
    QString FDriveRoot;
    // The folder the browser opened at, kept in view while the tree loads, until the user
    // takes the tree in hand.
    QString FRevealing;
};

// The one directory browser of the program, created on first use.
TChooseDirForm *ChooseDirForm();
