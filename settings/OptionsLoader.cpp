#include "settings/OptionsLoader.h"

#include "shell/AtomicSave.h"
#include "shell/BackupCopy.h"
#include "shell/Errors.h"

#include <QDir>
#include <QFileInfo>

TOptionsLoadResult LoadOptionsAtStartUp(TOptionsData &options, const QString &fileName)
{
    RemoveSaveLeftovers(fileName);
    TOptionsLoadResult result;
    if (!QFileInfo::exists(fileName))
        return result;
    try {
        options.LoadFromFile(fileName);
        result.fromFile = true;
        return result;
    } catch (const NesvaraError &error) {
        result.errorText = QStringLiteral("Не удалось прочитать настройки из файла \"%1\": %2\n"
                                          "Используются настройки по умолчанию.")
                               .arg(QDir::toNativeSeparators(fileName), error.text());
    }
    const QString copy = CopyAside(fileName);
    if (copy.isEmpty())
        result.errorText += QStringLiteral("\nНе удалось сохранить копию файла; "
                                           "он будет заменён при следующем сохранении настроек.");
    else
        result.errorText += QStringLiteral("\nКопия файла: \"%1\".").arg(QDir::toNativeSeparators(copy));
    return result;
}
