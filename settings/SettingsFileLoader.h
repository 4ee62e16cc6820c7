#pragma once

#include <QString>
#include <functional>

// Loads a settings file at start-up with `load`. Empty when it loaded or does not exist (its
// defaults then stay). Otherwise the file is copied aside (NAME.bak) before anything can be
// saved over it, and the text for the user says what was wrong, that the defaults are used
// and where the copy is; `load` must leave its object as it was when it throws.
QString LoadSettingsFileOrReport(const QString &fileName, const std::function<void(const QString &)> &load);
