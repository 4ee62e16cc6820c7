// The playlist collection file: any bytes either replace the whole collection or leave it
// exactly as it was; a loaded collection saves and loads back to itself.
#include "FuzzTools.h"

#include "playlists/Mp3FilesList.h"
#include "shell/Errors.h"

#include <QStringList>

#include <bit>
#include <memory>

namespace {

// The playlists in use and the rest of the state; CheckUnusedSlotsEmpty covers the slots
// beyond the count.
QStringList Describe(const TMp3FilesList &list)
{
    QStringList lines{QString::number(list.flistscount)};
    for (qint32 i = 0; i < list.flistscount; ++i) {
        const TMp3ListItem &item = list.flists[std::size_t(i)];
        lines << item.name << QString::number(std::bit_cast<quint64>(item.Vol), 16)
              << item.mp3files.join(QLatin1Char('|'));
    }
    lines << list.FLastBigFolder << QString::number(list.FLastBigFolderReadType)
          << list.FLastBigFoldersList.join(QLatin1Char('|'))
          << QString::number(list.FChanged);
    return lines;
}

std::unique_ptr<TMp3FilesList> Previous()
{
    auto list = std::make_unique<TMp3FilesList>();
    list->SetBasicBackSounds(QStringLiteral("/prog/"));
    list->FLastBigFolder = QStringLiteral("/before");
    list->FLastBigFolderReadType = 2;
    list->FLastBigFoldersList = {QStringLiteral("/before"), QStringLiteral("/older")};
    list->FChanged = true;
    return list;
}

void CheckUnusedSlotsEmpty(const TMp3FilesList &list)
{
    FUZZ_CHECK(list.flistscount >= 0 && list.flistscount <= TMp3FilesList::kCapacity);
    for (qint32 i = list.flistscount; i < TMp3FilesList::kCapacity; ++i) {
        const TMp3ListItem &item = list.flists[std::size_t(i)];
        FUZZ_CHECK(item.name.isEmpty() && item.mp3files.isEmpty());
    }
}

void CheckSavesBackToItself(TMp3FilesList &list)
{
    const QString path = TempPath("resaved.bin");
    list.SaveToFile(path);
    auto reloaded = std::make_unique<TMp3FilesList>();
    reloaded->LoadFromFile(path);
    FUZZ_CHECK(Describe(*reloaded) == Describe(list));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QStringList previousText = Describe(*Previous());
    const QString path = WriteInputFile("lists.bin", data, size);
    auto list = Previous();
    try {
        list->LoadFromFile(path);
    } catch (const FileError &) {
        FUZZ_CHECK(false); // the file exists and is readable
    } catch (const NesvaraError &error) {
        FUZZ_CHECK(error.text().contains(path));
        FUZZ_CHECK(Describe(*list) == previousText);
        CheckUnusedSlotsEmpty(*list);
        return 0;
    }
    FUZZ_CHECK(size >= 16);
    FUZZ_CHECK(!list->FChanged);
    // Nothing of the previous content survives in the slots the file does not use.
    CheckUnusedSlotsEmpty(*list);
    CheckSavesBackToItself(*list);
    return 0;
}
