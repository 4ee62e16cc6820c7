#include "settings/ExtraOptions.h"

#include "shell/Errors.h"
#include "shell/StreamHelper.h"

#include <QFile>
#include <QSaveFile>

namespace {

StreamError wrongLength(const QString &fileName, qint64 size)
{
    return StreamError(QStringLiteral("Файл настроек \"%1\" повреждён: его длина %2 байт вместо %3.")
                           .arg(fileName)
                           .arg(size)
                           .arg(TExtraOptions::kFileSize));
}

} // namespace

qint32 TExtraOptions::ReadFrom(QIODevice &device)
{
    TMyStreamHelper stream(device);
    const qint32 version = stream.hfReadInteger();
    if (version < kVersion)
        throw RangeError(QStringLiteral("Неверная версия файла настроек: %1").arg(version));
    TExtraOptions loaded;
    loaded.FNotifyWhenDone = stream.hfReadBoolean();
    *this = loaded;
    return version;
}

void TExtraOptions::WriteTo(QIODevice &device) const
{
    TMyStreamHelper stream(device);
    stream.hfWriteInteger(kVersion);
    stream.hfWriteBoolean(FNotifyWhenDone);
}

void TExtraOptions::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Не удаётся открыть файл \"%1\": %2")
                            .arg(fileName, file.errorString()));
    if (file.size() < kFileSize)
        throw wrongLength(fileName, file.size());
    TExtraOptions loaded;
    const qint32 version = loaded.ReadFrom(file);
    // A file of this version holds nothing after its fields; only a later one may.
    if (version == kVersion && file.size() != kFileSize)
        throw wrongLength(fileName, file.size());
    *this = loaded;
}

void TExtraOptions::SaveToFile(const QString &fileName) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(QStringLiteral("Не удаётся создать файл \"%1\": %2")
                            .arg(fileName, file.errorString()));
    WriteTo(file);
    if (!file.commit())
        throw FileError(QStringLiteral("Не удаётся записать файл \"%1\": %2")
                            .arg(fileName, file.errorString()));
}
