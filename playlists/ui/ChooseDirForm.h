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

private:
    void RefillDrives(const QString &start);
    void ShowDrive(const QString &root);
    void UpdateLabel();

    bool fres = false;
    QFileSystemModel *FModel;
    QString FDriveRoot;
};

// The one directory browser of the program, created on first use.
TChooseDirForm *ChooseDirForm();
