#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The standard dialogs that the playlist windows open, as replaceable functions so that
// tests can answer them without a user.

// Asks for one file; returns its full name, or an empty string when the user cancels.
using FileChooser = std::function<QString(QWidget *parent, const QString &title)>;
// Asks for any number of files in one dialog; returns their full names in the order chosen,
// or nothing when the user cancels.
using FilesChooser = std::function<QStringList(QWidget *parent, const QString &title)>;
// Asks a Yes/No question; true on Yes.
using YesNoQuestion = std::function<bool(QWidget *parent, const QString &question)>;
// Shows a message with one OK button.
using MessageSink = std::function<void(QWidget *parent, const QString &text)>;

// The real ones: the open-file dialog for MP3 files and the "Nesvara" message boxes.
FileChooser StandardFileChooser();
FilesChooser StandardFilesChooser();
YesNoQuestion StandardYesNoQuestion();
MessageSink StandardMessageSink();

// What the playlist editor needs from the folder chooser.
class IFolderChooser
{
public:
    virtual ~IFolderChooser() = default;
    // The chosen folder with a trailing separator, the import mode (-1 when none is
    // selected); `prevdirs` is the folder history, updated in place. False on cancel.
    virtual bool GetFolder(QString &dir, qint32 &extrtype, QStringList &prevdirs) = 0;
};
