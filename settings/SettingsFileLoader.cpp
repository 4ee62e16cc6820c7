#include "settings/SettingsFileLoader.h"

#include "playlists/CollectionLoader.h"
#include "shell/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString LoadSettingsFileOrReport(const QString &fileName, const std::function<void(const QString &)> &load)
{
    if (!QFileInfo::exists(fileName))
        return QString();
    QString error;
    try {
        load(fileName);
        return QString();
    } catch (const NesvaraError &failure) {
        error = failure.text();
    }
    QString text = QStringLiteral("Не удалось прочитать настройки из файла \"%1\": %2\n"
                                  "Используются настройки по умолчанию.")
                       .arg(QDir::toNativeSeparators(fileName), error);
    const QString backup = BackupNameFor(fileName);
    const bool copied = !backup.isEmpty() && (QFileInfo::exists(backup) || QFile::copy(fileName, backup));
    if (copied)
        text += QStringLiteral("\nКопия файла сохранена как \"%1\".").arg(QDir::toNativeSeparators(backup));
    else
        text += QStringLiteral("\nНе удалось сохранить копию файла; он будет заменён при следующем сохранении настроек.");
    return text;
}
