#pragma once

#include "playlists/Mp3FilesList.h"
#include "shell/BackupCopy.h"

#include <QString>
#include <functional>

// How start-up filled a collection, and what the user should be told about it.
struct TCollectionLoadResult
{
    bool fromFile = false;
    // Empty unless the file was damaged or unreadable; names the file and where its copy went.
    QString errorText;
};

using TDefaultsFiller = std::function<void(TMp3FilesList &)>;

// Loads `fileName` into `list`, after removing what a killed save left beside it; a missing file gives the defaults silently. A file that
// cannot be loaded is copied aside (see BackupNameFor) before the defaults are taken, so
// that a later save cannot destroy what it held.
TCollectionLoadResult LoadCollectionOrDefaults(TMp3FilesList &list, const QString &fileName,
                                               const TDefaultsFiller &setDefaults);
