#pragma once

#include "settings/OptionsData.h"

#include <QBuffer>
#include <QFile>
#include <QTest>

// The bytes the options file would hold for `options`.
inline QByteArray bytesOf(const TOptionsData &options)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    options.WriteTo(buffer);
    return buffer.data();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}
