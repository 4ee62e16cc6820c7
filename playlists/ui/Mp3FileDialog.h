#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

// The open-file dialog of the playlist windows: Qt's own dialog (the same on every desktop,
// and Russian with the program's translation), MP3 files first and every file on request,
// sized to the screen, its columns in Russian and wide enough for their texts. Every such
// dialog of a run opens in the folder the user last chose a file in.

// Builds the dialog for one file or, when `many`, for any number of files at once.
QFileDialog *NewMp3FileDialog(QWidget *parent, const QString &title, bool many);

// Shows it modally; the chosen files in the order the dialog gives them, or nothing when
// the user cancels.
QStringList ChooseMp3Files(QWidget *parent, const QString &title, bool many);

// Where the next dialog opens: the folder of the last choice, else the user's music folder,
// else the home folder.
QString Mp3DialogFolder();
