// Reading and writing a playlist collection: the field sequence of musiclists.bin and
// backsoundslists.bin.
#include "playlists/Mp3FilesList.h"

#include "shell/AtomicSave.h"
#include "shell/Errors.h"
#include "shell/StreamHelper.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <memory>

namespace {

// The smallest record a playlist can take: an empty file list, an empty name, a volume.
constexpr qint64 kMinPlaylistBytes = 4 + 4 + 8;

QString shownName(const QString &filename)
{
    return QDir::toNativeSeparators(filename);
}

QString damagedText(const QString &what)
{
    return QStringLiteral("Файл повреждён: %1.").arg(what);
}

qint64 remaining(const QBuffer &buffer)
{
    return buffer.size() - buffer.pos();
}

QByteArray encodeCollection(const TMp3FilesList &list)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    TMyStreamHelper stream(buffer);
    stream.hfWriteInteger(list.flistscount);
    for (qint32 i = 0; i < list.flistscount; ++i) {
        const TMp3ListItem &item = list.flists[std::size_t(i)];
        stream.hfWriteStrings(item.mp3files);
        stream.hfWriteString(item.name);
        stream.hfWriteDouble(item.Vol);
    }
    stream.hfWriteString(list.FLastBigFolder);
    stream.hfWriteInteger(list.FLastBigFolderReadType);
    stream.hfWriteStrings(list.FLastBigFoldersList);
    return bytes;
}

qint32 readPlaylistCount(TMyStreamHelper &stream, const QBuffer &buffer)
{
    const qint32 count = stream.hfReadInteger();
    if (count < 0)
        throw StreamError(damagedText(QStringLiteral("отрицательное число списков")));
    if (count > TMp3FilesList::kCapacity)
        throw RangeError(damagedText(QStringLiteral("в нём %1 списков, а допускается не более %2")
                                         .arg(count)
                                         .arg(TMp3FilesList::kCapacity)));
    if (count * kMinPlaylistBytes > remaining(buffer))
        throw StreamError(damagedText(QStringLiteral("данные кончаются раньше времени")));
    return count;
}

// Fills the fresh collection `into` from the whole of `bytes`; throws on any damage.
void decodeCollection(const QByteArray &bytes, TMp3FilesList &into)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TMyStreamHelper stream(buffer);
    into.SetListsCount(readPlaylistCount(stream, buffer));
    for (qint32 i = 0; i < into.flistscount; ++i) {
        TMp3ListItem &item = into.flists[std::size_t(i)];
        stream.hfReadStrings(item.mp3files);
        item.name = stream.hfReadString();
        item.Vol = stream.hfReadDouble();
    }
    into.FLastBigFolder = stream.hfReadString();
    into.FLastBigFolderReadType = stream.hfReadInteger();
    stream.hfReadStrings(into.FLastBigFoldersList);
    // A save never writes past the folder history, so anything further means the file
    // is not (only) a playlist collection.
    if (remaining(buffer) != 0)
        throw StreamError(damagedText(QStringLiteral("после списков идут лишние данные")));
}

} // namespace

void TMp3FilesList::SaveToFile(const QString &filename)
{
    SaveFileAtomically(filename, encodeCollection(*this));
    FChanged = false;
}

void TMp3FilesList::LoadFromFile(const QString &filename)
{
    QFile file(filename);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Не удалось открыть файл \"%1\": %2")
                            .arg(shownName(filename), file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("Не удалось прочитать файл \"%1\": %2")
                            .arg(shownName(filename), file.errorString()));
    file.close();

    auto loaded = std::make_unique<TMp3FilesList>();
    const QString prefix = QStringLiteral("Не удалось загрузить файл \"%1\". ").arg(shownName(filename));
    try {
        decodeCollection(bytes, *loaded);
    } catch (const RangeError &error) {
        throw RangeError(prefix + error.text());
    } catch (const NesvaraError &error) {
        throw StreamError(prefix + error.text());
    }

    flists.swap(loaded->flists);
    flistscount = loaded->flistscount;
    FLastBigFolder.swap(loaded->FLastBigFolder);
    FLastBigFolderReadType = loaded->FLastBigFolderReadType;
    FLastBigFoldersList.swap(loaded->FLastBigFoldersList);
    FChanged = false;
}
