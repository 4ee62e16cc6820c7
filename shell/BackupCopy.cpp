#include "shell/BackupCopy.h"

#include "shell/AtomicSave.h"
#include "shell/Errors.h"

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

QString CopyAside(const QString &fileName)
{
    const QString backup = BackupNameFor(fileName);
    if (backup.isEmpty())
        return QString();
    if (QFileInfo::exists(backup))
        return backup; // the same bytes are already there
    QFile original(fileName);
    if (!original.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = original.readAll();
    if (original.error() != QFileDevice::NoError)
        return QString();
    try {
        SaveFileAtomically(backup, bytes);
    } catch (const FileError &) {
        return QString();
    }
    return backup;
}
