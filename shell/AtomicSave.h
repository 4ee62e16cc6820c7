#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>

// Replaces the file `fileName` with `content`: the bytes go to a file beside it, every write
// and the flush to disk are checked, and only then is it renamed over the old file. A
// failure throws FileError whose Russian text names the file and the reason, and leaves the
// old file byte for byte as it was; nothing is left beside it.
void SaveFileAtomically(const QString &fileName, const QByteArray &content);

// For tests: every write of the content passes through the device that `through` puts in
// front of the file (a device that fails at a chosen write, for instance).
using SaveDeviceFilter = std::function<std::unique_ptr<QIODevice>(QIODevice &file)>;
void SaveFileAtomically(const QString &fileName, const QByteArray &content,
                        const SaveDeviceFilter &through);

// The name a save gives its new content until the rename: NAME.saving.
QString SaveTemporaryName(const QString &fileName);

// Removes what a save killed half-way left beside `fileName`; run at start-up, before the
// file is read.
void RemoveSaveLeftovers(const QString &fileName);

// How many bytes one write hands to the system.
constexpr qint64 kSaveChunkBytes = 64 * 1024;
