#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// One playlist: MP3 file names in play order, a display name and a volume factor
// (1.0 = 100 %).
struct TMp3ListItem
{
    QStringList mp3files;
    QString name;
    double Vol = 1.0;
};

// A collection of named playlists in a fixed table of 2001 slots. Callers read flistscount
// and flists directly. Placing a playlist at index 2001 or beyond, or passing an index
// outside 0..flistscount-1, throws RangeError.
class TMp3FilesList
{
public:
    static constexpr qint32 kCapacity = 2001;

    TMp3FilesList();
    TMp3FilesList(const TMp3FilesList &) = delete;
    TMp3FilesList &operator=(const TMp3FilesList &) = delete;

    qint32 flistscount = 0;
    // About 110 KB: keep collections on the heap rather than on the stack.
    std::array<TMp3ListItem, kCapacity> flists;
    bool FChanged = false;
    QString FLastBigFolder;
    qint32 FLastBigFolderReadType = 0;
    QStringList FLastBigFoldersList;
    // What the last folder import passed over because it is no regular file (a FIFO, a
    // socket, a device); never stored.
    QStringList FSkippedFiles;

    // Checked access to a playlist in use.
    TMp3ListItem &at(qint32 index);
    const TMp3ListItem &at(qint32 index) const;

    void Clear();
    void SetListsCount(qint32 newcount);
    void AddList(const QString &listname);
    void AddList(const QString &listname, const QString &searchpath,
                 const QString &extensiontemplate);
    void DeleteList(qint32 listnum);
    void SwapLists(qint32 listnum1, qint32 listnum2);
    void Assign(const TMp3FilesList &otherlist);
    void AddFromDirAsOneFileEach(const QString &dir, bool withsubfolders);
    void AddFromDirWithSepSubFolders(const QString &dir);

    // Atomic save; throws FileError/StreamError and leaves the old file whole on failure.
    void SaveToFile(const QString &filename);
    // Reads the whole file into a new collection first; on any failure throws and leaves
    // this collection unchanged.
    void LoadFromFile(const QString &filename);

    // Defaults, with paths under `programDir` (which ends with a separator).
    void SetBasicMusic(const QString &programDir);
    void SetBasicBackSounds(const QString &programDir);

private:
    // Adds all of `added` or, when they do not all fit, nothing (RangeError).
    void AppendLists(std::vector<TMp3ListItem> added);
};
