#include "playlists/CollectionLoader.h"

#include "shell/AtomicSave.h"
#include "shell/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TCollectionLoadResult LoadCollectionOrDefaults(TMp3FilesList &list, const QString &fileName,
                                               const TDefaultsFiller &setDefaults)
{
    RemoveSaveLeftovers(fileName);
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
    const QString backup = CopyAside(fileName);
    if (backup.isEmpty())
        result.errorText += QStringLiteral("\nНе удалось сохранить копию файла; "
                                           "он будет заменён при следующем сохранении списков.");
    else
        result.errorText += QStringLiteral("\nКопия файла сохранена как \"%1\".")
                                .arg(QDir::toNativeSeparators(backup));
    setDefaults(list);
    return result;
}
