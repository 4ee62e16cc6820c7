#pragma once

#include <QString>

// NAME.bak, or the first free NAME.bak.N when NAME.bak holds something else; an existing
// copy with the very same bytes is reused, so repeated starts do not pile up copies.
QString BackupNameFor(const QString &fileName);

// Copies a file the program could not load to its backup name, checking every write.
// Returns the copy's name, or an empty string when no whole copy could be made.
QString CopyAside(const QString &fileName);
