#include "playlists/Mp3FilesList.h"

#include "shell/Errors.h"
#include "shell/FileEnumeration.h"
#include "shell/Helpers.h"

#include <QFileInfo>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

const QString kMp3Mask = QStringLiteral("*.mp3");

[[noreturn]] void throwIndexError(qint32 index, qint32 count)
{
    throw RangeError(QStringLiteral("Номер списка %1 вне допустимых пределов (0..%2).")
                         .arg(index)
                         .arg(count - 1));
}

[[noreturn]] void throwCapacityError()
{
    throw RangeError(QStringLiteral("Слишком много списков: допускается не более %1.")
                         .arg(TMp3FilesList::kCapacity));
}

} // namespace

TMp3FilesList::TMp3FilesList() = default;

TMp3ListItem &TMp3FilesList::at(qint32 index)
{
    if (index < 0 || index >= flistscount)
        throwIndexError(index, flistscount);
    return flists[std::size_t(index)];
}

const TMp3ListItem &TMp3FilesList::at(qint32 index) const
{
    if (index < 0 || index >= flistscount)
        throwIndexError(index, flistscount);
    return flists[std::size_t(index)];
}

void TMp3FilesList::Clear()
{
    SetListsCount(0);
    FChanged = true;
}

void TMp3FilesList::SetListsCount(qint32 newcount)
{
    if (newcount < 0 || newcount > kCapacity)
        throw RangeError(QStringLiteral("Недопустимое число списков: %1 (допускается 0..%2).")
                             .arg(newcount)
                             .arg(kCapacity));
    // Slots beyond the new count are emptied too, so that no old file list lingers.
    const qint32 touched = std::max(flistscount, newcount);
    for (qint32 i = 0; i < touched; ++i)
        flists[std::size_t(i)] = TMp3ListItem();
    flistscount = newcount;
    FChanged = true;
}

void TMp3FilesList::AddList(const QString &listname)
{
    if (flistscount >= kCapacity)
        throwCapacityError();
    TMp3ListItem &item = flists[std::size_t(flistscount)];
    item = TMp3ListItem();
    item.name = listname;
    ++flistscount;
    FChanged = true;
}

void TMp3FilesList::AddList(const QString &listname, const QString &searchpath,
                            const QString &extensiontemplate)
{
    TFolderFiles found = ListFilesInDir(searchpath, extensiontemplate, false);
    FSkippedFiles = std::move(found.skipped);
    AddList(listname);
    flists[std::size_t(flistscount - 1)].mp3files = std::move(found.files);
}

void TMp3FilesList::DeleteList(qint32 listnum)
{
    at(listnum);
    for (qint32 i = listnum; i < flistscount - 1; ++i)
        flists[std::size_t(i)] = std::move(flists[std::size_t(i + 1)]);
    flists[std::size_t(flistscount - 1)] = TMp3ListItem();
    --flistscount;
    FChanged = true;
}

void TMp3FilesList::SwapLists(qint32 listnum1, qint32 listnum2)
{
    std::swap(at(listnum1), at(listnum2));
    FChanged = true;
}

void TMp3FilesList::Assign(const TMp3FilesList &otherlist)
{
    if (&otherlist != this) {
        SetListsCount(otherlist.flistscount);
        for (qint32 i = 0; i < otherlist.flistscount; ++i)
            flists[std::size_t(i)] = otherlist.flists[std::size_t(i)];
        FLastBigFolder = otherlist.FLastBigFolder;
        FLastBigFolderReadType = otherlist.FLastBigFolderReadType;
        FLastBigFoldersList = otherlist.FLastBigFoldersList;
    }
    FChanged = true;
}

// Folder imports are all or none: the new playlists are gathered first and added only when
// they all fit.
void TMp3FilesList::AddFromDirAsOneFileEach(const QString &dir, bool withsubfolders)
{
    std::vector<TMp3ListItem> added;
    const TFolderFiles found = ListFilesInDir(dir, kMp3Mask, withsubfolders);
    FSkippedFiles = found.skipped;
    for (const QString &file : found.files) {
        TMp3ListItem item;
        item.name = QFileInfo(file).fileName();
        item.mp3files.append(file);
        added.push_back(std::move(item));
    }
    AppendLists(std::move(added));
}

void TMp3FilesList::AddFromDirWithSepSubFolders(const QString &dir)
{
    std::vector<TMp3ListItem> added;
    FSkippedFiles.clear();
    for (const QString &folder : GetDirsInDir(dir, true)) {
        TFolderFiles found = ListFilesInDir(folder, kMp3Mask, false);
        FSkippedFiles += found.skipped;
        if (found.files.isEmpty())
            continue;
        TMp3ListItem item;
        item.name = ExtractLastFolderFromDir(folder);
        item.mp3files = std::move(found.files);
        added.push_back(std::move(item));
    }
    AppendLists(std::move(added));
}

void TMp3FilesList::AppendLists(std::vector<TMp3ListItem> added)
{
    if (qsizetype(added.size()) > kCapacity - flistscount)
        throwCapacityError();
    for (TMp3ListItem &item : added)
        flists[std::size_t(flistscount++)] = std::move(item);
    if (!added.empty())
        FChanged = true;
}
