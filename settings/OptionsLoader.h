#pragma once

#include "settings/OptionsData.h"

#include <QString>

// How start-up read the options, and what the user should be told about it.
struct TOptionsLoadResult
{
    bool fromFile = false;
    // Empty unless the file was damaged or unreadable.
    QString errorText;
};

// Start-up's reading of the options file: what a killed save left beside it goes first; a
// missing file leaves `options` as it is; a file that cannot be loaded is copied aside, and
// the text names the copy only when the copy was really made.
TOptionsLoadResult LoadOptionsAtStartUp(TOptionsData &options, const QString &fileName);
