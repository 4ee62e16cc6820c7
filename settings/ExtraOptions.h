#pragma once

#include <QIODevice>
#include <QString>

// The user's choices that came after the options file's fixed 61 bytes, kept in a file of
// their own beside it. The file starts with its version; a later version may add fields
// after the known ones, and this one reads the fields it knows.
class TExtraOptions
{
public:
    // Show a desktop notification when a meditation has ended by itself and the window is
    // not in front.
    bool FNotifyWhenDone = true;

    static constexpr qint32 kVersion = 1;
    static constexpr qint64 kFileSize = 5;

    // Replaces every field with the file's content. A file that cannot be read, is shorter
    // than its version needs or names no version this program knows throws and changes
    // nothing.
    void LoadFromFile(const QString &fileName);
    // Writes atomically: a failed save throws and leaves the old file as it was.
    void SaveToFile(const QString &fileName) const;

    // Returns the version the data was written by.
    qint32 ReadFrom(QIODevice &device);
    void WriteTo(QIODevice &device) const;

    bool operator==(const TExtraOptions &) const = default;
};
