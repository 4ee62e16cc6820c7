#include "playlists/ui/Mp3FileDialog.h"

#include "shell/ui/RussianFileDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>

namespace {

QString &LastFolder()
{
    static QString folder;
    return folder;
}

} // namespace

QString Mp3DialogFolder()
{
    if (QFileInfo(LastFolder()).isDir())
        return LastFolder();
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return QFileInfo(music).isDir() ? music : QDir::homePath();
}

QFileDialog *NewMp3FileDialog(QWidget *parent, const QString &title, bool many)
{
    return NewRussianFileDialog(parent, title, Mp3DialogFolder(),
                                QStringLiteral("Файлы MP3 (*.mp3 *.MP3);;Все файлы (*)"), QFileDialog::AcceptOpen,
                                many ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
}

QStringList ChooseMp3Files(QWidget *parent, const QString &title, bool many)
{
    // Guarded: the dialog goes with its parent if that is closed meanwhile.
    const QPointer<QFileDialog> dialog = NewMp3FileDialog(parent, title, many);
    QStringList files;
    if (dialog->exec() == QDialog::Accepted && dialog)
        files = dialog->selectedFiles();
    delete dialog;
    if (!files.isEmpty())
        LastFolder() = QFileInfo(files.first()).path();
    return files;
}
