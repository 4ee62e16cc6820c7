#include "shell/SystemErrorText.h"

#include <cerrno>
#include <cstring>

QString SystemErrorText(int errorCode)
{
    switch (errorCode) {
    case ENOSPC:
        return QStringLiteral("на диске нет места");
    case EDQUOT:
        return QStringLiteral("исчерпана дисковая квота");
    case EFBIG:
        return QStringLiteral("файл больше, чем разрешено записывать");
    case EROFS:
        return QStringLiteral("диск доступен только для чтения");
    case EACCES:
    case EPERM:
        return QStringLiteral("нет прав на запись");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("папка не существует");
    case EISDIR:
        return QStringLiteral("на этом месте находится папка");
    case EIO:
        return QStringLiteral("ошибка ввода-вывода");
    default:
        return QStringLiteral("системная ошибка %1 (%2)")
            .arg(errorCode)
            .arg(QString::fromLocal8Bit(std::strerror(errorCode)));
    }
}
