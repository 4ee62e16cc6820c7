#pragma once

#include <QString>
#include <QStringList>

// Full paths of the files of `dir` whose names match `filter` ("*" and "?", letter case
// ignored); with `recurse` also those of every subfolder at any depth. Depth first: the
// files found below a folder's subfolders come before the folder's own files. Within one
// folder entries come by name. Hidden folders (name starting with ".") are neither entered
// nor listed; links to folders are followed, but every real folder is walked once only, so
// link loops and link farms end quickly. Only regular files are listed: a FIFO, socket or
// device is never opened. A missing or unreadable folder adds nothing.
QStringList GetFilesInDir(const QString &dir, const QString &filter, bool recurse);

// Full paths of the subfolders of `dir` (never `dir` itself, and each real folder once);
// with `recurse`, the folders below each subfolder come before the subfolders themselves.
QStringList GetDirsInDir(const QString &dir, bool recurse);

// GetFilesInDir's files, and the entries matching `filter` that were passed over because
// they are no regular files.
struct TFolderFiles
{
    QStringList files;
    QStringList skipped;
};
TFolderFiles ListFilesInDir(const QString &dir, const QString &filter, bool recurse);
