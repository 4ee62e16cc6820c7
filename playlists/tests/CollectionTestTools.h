#pragma once

#include "playlists/Mp3FilesList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTest>
#include <bit>

// Everything a collection holds, as text, so that tests can compare whole collections
// (volumes by their bits, so that 0.12 and 0.12000000000000001 differ).
inline QStringList describe(const TMp3FilesList &list)
{
    QStringList lines{QStringLiteral("count %1").arg(list.flistscount)};
    for (qint32 i = 0; i < list.flistscount; ++i) {
        const TMp3ListItem &item = list.flists[std::size_t(i)];
        lines << QStringLiteral("[%1] %2 vol %3 files %4")
                     .arg(i)
                     .arg(item.name)
                     .arg(std::bit_cast<quint64>(item.Vol), 16, 16, QLatin1Char('0'))
                     .arg(item.mp3files.join(QLatin1Char('|')));
    }
    lines << QStringLiteral("folder %1 type %2 history %3")
                 .arg(list.FLastBigFolder)
                 .arg(list.FLastBigFolderReadType)
                 .arg(list.FLastBigFoldersList.join(QLatin1Char('|')));
    lines << QStringLiteral("changed %1").arg(list.FChanged);
    return lines;
}

inline void touchFile(const QString &path)
{
    QVERIFY2(QDir().mkpath(QFileInfo(path).path()), qPrintable(path));
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}
