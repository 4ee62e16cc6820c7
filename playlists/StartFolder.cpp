#include "playlists/StartFolder.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString Absolute(const QString &typed, const QString &home)
{
    if (typed == QLatin1String("~"))
        return home;
    if (typed.startsWith(QLatin1String("~/")))
        return home + typed.mid(1);
    if (QDir::isAbsolutePath(typed))
        return typed;
    return home + QLatin1Char('/') + typed;
}

} // namespace

QString StartFolderFor(const QString &typed, const QString &home)
{
    const QString trimmed = typed.trimmed();
    if (trimmed.isEmpty())
        return QDir::cleanPath(home);
    QString folder = QDir::cleanPath(Absolute(trimmed, home));
    while (!QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            return QDir::cleanPath(home);
        folder = parent;
    }
    return folder;
}
