#include "shell/FileKinds.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr int kShownSkippedFiles = 10;

bool isContinuation(uchar byte)
{
    return (byte & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence at `at`, or 0 when the byte there starts none.
int validSequenceAt(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return uchar(bytes.at(i)); };
    const uchar lead = byte(at);
    if (lead < 0x80)
        return 1;
    int length = 0;
    char32_t minimum = 0;
    char32_t code = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        if (!isContinuation(byte(at + i)))
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < minimum || code > 0x10FFFF || surrogate ? 0 : length;
}

bool isEscapedByte(const QString &path, qsizetype i)
{
    const char16_t unit = path.at(i).unicode();
    if (unit < kEscapeBase + 0x80 || unit > kEscapeBase + 0xFF)
        return false;
    return i == 0 || !path.at(i - 1).isHighSurrogate();
}

} // namespace

QString PathFromNative(const QByteArray &bytes)
{
    QString result;
    result.reserve(bytes.size());
    qsizetype start = 0; // of the valid run not yet decoded
    qsizetype at = 0;
    while (at < bytes.size()) {
        const int length = validSequenceAt(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        result += QString::fromUtf8(bytes.constData() + start, at - start);
        result += QChar(char16_t(kEscapeBase + uchar(bytes.at(at))));
        start = ++at;
    }
    result += QString::fromUtf8(bytes.constData() + start, at - start);
    return result;
}

QByteArray NativePath(const QString &path)
{
    QByteArray result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!isEscapedByte(path, i))
            continue;
        result += QStringView(path).mid(start, i - start).toUtf8();
        result += char(path.at(i).unicode() - kEscapeBase);
        start = i + 1;
    }
    result += QStringView(path).mid(start).toUtf8();
    return result;
}

TFileKind FileKindOf(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat info {};
    if (path.isEmpty() || ::stat(NativePath(path).constData(), &info) != 0)
        return TFileKind::Missing;
    if (S_ISREG(info.st_mode))
        return TFileKind::RegularFile;
    if (S_ISDIR(info.st_mode))
        return TFileKind::Folder;
    return TFileKind::Other;
#else
    const QFileInfo info(path);
    if (!info.exists())
        return TFileKind::Missing;
    return info.isDir() ? TFileKind::Folder : info.isFile() ? TFileKind::RegularFile : TFileKind::Other;
#endif
}

bool IsRegularFile(const QString &path)
{
    return FileKindOf(path) == TFileKind::RegularFile;
}

QString SkippedFilesText(const QStringList &skipped)
{
    QStringList shown;
    for (qsizetype i = 0; i < skipped.size() && i < kShownSkippedFiles; ++i)
        shown << QDir::toNativeSeparators(skipped.at(i));
    QString text = QStringLiteral("Пропущены файлы, которые не являются обычными файлами "
                                  "(каналы, сокеты или устройства), их нельзя проиграть:\n")
                   + shown.join(QLatin1Char('\n'));
    if (skipped.size() > kShownSkippedFiles)
        text += QStringLiteral("\n…и ещё %1.").arg(skipped.size() - kShownSkippedFiles);
    return text;
}
