#include "shell/FileEnumeration.h"

#include "shell/FileKinds.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <vector>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QChar kSeparator = QDir::separator();

struct Entry
{
    QString name;
    TFileKind kind = TFileKind::Missing;
};

bool isHidden(const Entry &entry)
{
    return entry.name.startsWith(QLatin1Char('.'));
}

bool byName(const Entry &a, const Entry &b)
{
    const int folded = QString::compare(a.name, b.name, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return QString::compare(a.name, b.name, Qt::CaseSensitive) < 0;
}

// The regular expression engine refuses text with lone surrogates, which stand for bytes
// that are no UTF-8; for matching they count as one unknown character each.
QString matchableName(const QString &name)
{
    QString result = name;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const QChar unit = result.at(i);
        if (unit.isHighSurrogate() && i + 1 < result.size() && result.at(i + 1).isLowSurrogate())
            ++i;
        else if (unit.isSurrogate())
            result[i] = QChar::ReplacementCharacter;
    }
    return result;
}

QString withoutOneTrailingSeparator(QString dir)
{
    if (dir.endsWith(QLatin1Char('\\')) || dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

#ifdef Q_OS_UNIX
using FolderIdentity = std::pair<quint64, quint64>; // device, inode

TFileKind kindOf(const struct stat &info)
{
    if (S_ISDIR(info.st_mode))
        return TFileKind::Folder;
    return S_ISREG(info.st_mode) ? TFileKind::RegularFile : TFileKind::Other;
}

bool identityOf(const QString &folder, FolderIdentity &identity)
{
    struct stat info {};
    if (::stat(NativePath(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    identity = {quint64(info.st_dev), quint64(info.st_ino)};
    return true;
}

// The folder's entries by name, each looked up through links. Names are read as bytes, so
// that none is lost to its encoding.
std::vector<Entry> entriesByName(const QString &folder)
{
    std::vector<Entry> entries;
    DIR *handle = ::opendir(NativePath(folder).constData());
    if (!handle)
        return entries;
    while (const dirent *item = ::readdir(handle)) {
        const QByteArray name(item->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        const TFileKind kind = ::fstatat(::dirfd(handle), item->d_name, &info, 0) == 0
                                   ? kindOf(info)
                                   : TFileKind::Missing; // a dangling link, or gone meanwhile
        entries.push_back({PathFromNative(name), kind});
    }
    ::closedir(handle);
    std::sort(entries.begin(), entries.end(), byName);
    return entries;
}
#else
using FolderIdentity = QString;

bool identityOf(const QString &folder, FolderIdentity &identity)
{
    identity = QFileInfo(folder).canonicalFilePath();
    return !identity.isEmpty() && QFileInfo(folder).isDir();
}

std::vector<Entry> entriesByName(const QString &folder)
{
    std::vector<Entry> entries;
    const QFileInfoList infos = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QFileInfo &info : infos)
        entries.push_back({info.fileName(), info.isDir()    ? TFileKind::Folder
                                            : info.isFile() ? TFileKind::RegularFile
                                                            : TFileKind::Other});
    std::sort(entries.begin(), entries.end(), byName);
    return entries;
}
#endif

// Walks folders depth first and remembers every real folder it entered, so that links
// never make it walk a folder twice: a loop ends, and a farm of links costs one visit per
// folder instead of one per path.
class Walker
{
public:
    void collectFiles(const QString &folder, const QRegularExpression &mask, bool recurse,
                      TFolderFiles &result)
    {
        std::vector<Entry> entries;
        if (!enter(folder, entries))
            return;
        if (recurse) {
            for (const Entry &entry : entries)
                if (entry.kind == TFileKind::Folder && !isHidden(entry))
                    collectFiles(folder + kSeparator + entry.name, mask, recurse, result);
        }
        for (const Entry &entry : entries) {
            if (entry.kind == TFileKind::Folder || entry.kind == TFileKind::Missing
                || !mask.match(matchableName(entry.name)).hasMatch())
                continue;
            (entry.kind == TFileKind::RegularFile ? result.files : result.skipped)
                .append(folder + kSeparator + entry.name);
        }
    }

    // Returns false when the folder was not walked: unreadable, or walked already.
    bool collectDirs(const QString &folder, bool recurse, QStringList &result)
    {
        std::vector<Entry> entries;
        if (!enter(folder, entries))
            return false;
        QStringList subfolders;
        for (const Entry &entry : entries) {
            if (entry.kind != TFileKind::Folder || isHidden(entry))
                continue;
            const QString subfolder = folder + kSeparator + entry.name;
            const bool walked = recurse ? collectDirs(subfolder, recurse, result) : firstVisit(subfolder);
            if (walked)
                subfolders.append(subfolder);
        }
        result.append(subfolders);
        return true;
    }

private:
    // Reads the folder's entries unless the real folder was entered before.
    bool enter(const QString &folder, std::vector<Entry> &entries)
    {
        if (!firstVisit(folder))
            return false;
        entries = entriesByName(folder);
        return true;
    }

    bool firstVisit(const QString &folder)
    {
        FolderIdentity identity{};
        if (!identityOf(folder, identity) || m_visited.contains(identity))
            return false;
        m_visited.insert(identity);
        return true;
    }

    QSet<FolderIdentity> m_visited;
};

QRegularExpression maskFor(const QString &filter)
{
    return QRegularExpression(QRegularExpression::wildcardToRegularExpression(filter),
                              QRegularExpression::CaseInsensitiveOption);
}

} // namespace

TFolderFiles ListFilesInDir(const QString &dir, const QString &filter, bool recurse)
{
    TFolderFiles result;
    if (dir.isEmpty())
        return result;
    Walker().collectFiles(withoutOneTrailingSeparator(dir), maskFor(filter), recurse, result);
    return result;
}

QStringList GetFilesInDir(const QString &dir, const QString &filter, bool recurse)
{
    return ListFilesInDir(dir, filter, recurse).files;
}

QStringList GetDirsInDir(const QString &dir, bool recurse)
{
    QStringList result;
    if (dir.isEmpty())
        return result;
    Walker().collectDirs(withoutOneTrailingSeparator(dir), recurse, result);
    return result;
}
