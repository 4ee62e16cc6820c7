#include "shell/StreamHelper.h"

#include "shell/Errors.h"

#include <QtEndian>
#include <bit>
#include <cstring>

namespace {

QString truncatedText()
{
    return QStringLiteral("Файл повреждён: данные кончаются раньше времени.");
}

} // namespace

void TMyStreamHelper::writeBytes(const char *data, qint64 size)
{
    if (m_device.write(data, size) != size)
        throw StreamError(QStringLiteral("Не удалось записать данные: %1").arg(m_device.errorString()));
}

void TMyStreamHelper::readBytes(char *data, qint64 size)
{
    if (m_device.read(data, size) != size)
        throw StreamError(truncatedText());
}

qint64 TMyStreamHelper::remainingBytes() const
{
    if (m_device.isSequential())
        return m_device.bytesAvailable();
    return m_device.size() - m_device.pos();
}

void TMyStreamHelper::hfWriteInteger(qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    writeBytes(bytes, sizeof bytes);
}

void TMyStreamHelper::hfWriteBoolean(bool value)
{
    const char byte = value ? 1 : 0;
    writeBytes(&byte, 1);
}

void TMyStreamHelper::hfWriteDouble(double value)
{
    char bytes[8];
    qToLittleEndian(std::bit_cast<quint64>(value), bytes);
    writeBytes(bytes, sizeof bytes);
}

void TMyStreamHelper::hfWriteString(const QString &value)
{
    hfWriteInteger(static_cast<qint32>(value.size()));
    if (value.isEmpty())
        return;
    QByteArray units(value.size() * 2, Qt::Uninitialized);
    qToLittleEndian<char16_t>(value.utf16(), value.size(), units.data());
    writeBytes(units.constData(), units.size());
}

void TMyStreamHelper::hfWriteStrings(const QStringList &values)
{
    hfWriteInteger(static_cast<qint32>(values.size()));
    for (const QString &value : values)
        hfWriteString(value);
}

qint32 TMyStreamHelper::hfReadInteger()
{
    char bytes[4];
    readBytes(bytes, sizeof bytes);
    return qFromLittleEndian<qint32>(bytes);
}

bool TMyStreamHelper::hfReadBoolean()
{
    char byte = 0;
    readBytes(&byte, 1);
    return byte != 0;
}

double TMyStreamHelper::hfReadDouble()
{
    char bytes[8];
    readBytes(bytes, sizeof bytes);
    return std::bit_cast<double>(qFromLittleEndian<quint64>(bytes));
}

QString TMyStreamHelper::hfReadString()
{
    const qint32 units = hfReadInteger();
    if (units <= 0)
        return QString();
    if (qint64(units) * 2 > remainingBytes())
        throw StreamError(truncatedText());
    QByteArray bytes(qsizetype(units) * 2, Qt::Uninitialized);
    readBytes(bytes.data(), bytes.size());
    QString result(units, Qt::Uninitialized);
    qFromLittleEndian<char16_t>(bytes.constData(), units, result.data());
    return result;
}

void TMyStreamHelper::hfReadStrings(QStringList &values)
{
    const qint32 count = hfReadInteger();
    values.clear();
    if (count <= 0)
        return;
    // Every string takes at least its four-byte length.
    if (qint64(count) * 4 > remainingBytes())
        throw StreamError(truncatedText());
    values.reserve(count);
    for (qint32 i = 0; i < count; ++i)
        values.append(hfReadString());
}
