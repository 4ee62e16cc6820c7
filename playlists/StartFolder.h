#pragma once

#include <QString>

// The folder a folder or file dialog opens at for a path the user typed: the path itself when
// it is a folder, else the nearest folder above it that exists; the home folder for a blank
// path. A path that is not absolute, and a leading "~", count from the home folder. The
// result has no trailing separator (except the root itself).
QString StartFolderFor(const QString &typed, const QString &home);
