#pragma once

#include <QByteArray>
#include <QString>

// File names as the system holds them are bytes. Names in valid UTF-8 read as usual; each
// byte that is not valid UTF-8 becomes one lone code unit U+DC80..U+DCFF, so that every
// name survives the playlist file and opens again as the same bytes.
QString PathFromNative(const QByteArray &bytes);
QByteArray NativePath(const QString &path);

enum class TFileKind { Missing, RegularFile, Folder, Other };

// What `path` names, following links; looked up without opening anything, so a FIFO or a
// device never blocks. Other: a FIFO, a socket or a device.
TFileKind FileKindOf(const QString &path);

// Only regular files (or links to them) are opened as recordings.
bool IsRegularFile(const QString &path);

// The message for files that were passed over because they are no regular files.
QString SkippedFilesText(const QStringList &skipped);
