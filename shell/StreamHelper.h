#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>

// The field encoding of every file the program keeps: little-endian integers, one-byte
// booleans, binary64 doubles, UTF-16 strings with a leading length and string lists with a
// leading count. No header, no padding. A read that runs past the end of the data, or a
// length that the remaining bytes cannot hold, throws StreamError before anything is
// allocated; a write that the device does not accept throws StreamError too.
class TMyStreamHelper
{
public:
    explicit TMyStreamHelper(QIODevice &device) : m_device(device) {}

    void hfWriteInteger(qint32 value);
    void hfWriteBoolean(bool value);
    void hfWriteDouble(double value);
    void hfWriteString(const QString &value);
    void hfWriteStrings(const QStringList &values);

    qint32 hfReadInteger();
    bool hfReadBoolean();
    double hfReadDouble();
    QString hfReadString();
    // Empties the list first, whatever the stored count says.
    void hfReadStrings(QStringList &values);

private:
    void writeBytes(const char *data, qint64 size);
    void readBytes(char *data, qint64 size);
    qint64 remainingBytes() const;

    QIODevice &m_device;
};
