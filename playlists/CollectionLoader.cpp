#include "playlists/CollectionLoader.h"

#include "shell/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int kMaxNumberedBackups = 1000;

bool sameContent(const QString &a, const QString &b)
{
    if (QFileInfo(a).size() != QFileInfo(b).size())
        return false;
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly))
        return false;
    return first.readAll() == second.readAll();
}

// Returns the copy's name, or an empty string when no copy could be made.
QString copyAside(const QString &fileName)
{
    const QString backup = BackupNameFor(fileName);
    if (backup.isEmpty())
        return QString();
    if (QFileInfo::exists(backup))
        return backup; // the same bytes are already there
    return QFile::copy(fileName, backup) ? backup : QString();
}

} // namespace

QString BackupNameFor(const QString &fileName)
{
    const QString base = fileName + QStringLiteral(".bak");
    for (int n = 0; n <= kMaxNumberedBackups; ++n) {
        const QString candidate = n == 0 ? base : base + QLatin1Char('.') + QString::number(n);
        if (!QFileInfo::exists(candidate) || sameContent(fileName, candidate))
            return candidate;
    }
    return QString();
}

TCollectionLoadResult LoadCollectionOrDefaults(TMp3FilesList &list, const QString &fileName,
                                               const TDefaultsFiller &setDefaults)
{
    TCollectionLoadResult result;
    if (!QFileInfo::exists(fileName)) {
        setDefaults(list);
        return result;
    }
    try {
        list.LoadFromFile(fileName);
        result.fromFile = true;
        return result;
    } catch (const NesvaraError &error) {
        result.errorText = error.text();
    }
    result.errorText += QStringLiteral("\nВместо него взяты списки по умолчанию.");
    const QString backup = copyAside(fileName);
    if (backup.isEmpty())
        result.errorText += QStringLiteral("\nНе удалось сохранить копию файла; "
                                           "он будет заменён при следующем сохранении списков.");
    else
        result.errorText += QStringLiteral("\nКопия файла сохранена как \"%1\".")
                                .arg(QDir::toNativeSeparators(backup));
    setDefaults(list);
    return result;
}
