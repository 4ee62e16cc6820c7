#include "shell/FileEnumeration.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace {

const QChar kSeparator = QDir::separator();

bool isHidden(const QFileInfo &entry)
{
    return entry.fileName().startsWith(QLatin1Char('.'));
}

bool byName(const QFileInfo &a, const QFileInfo &b)
{
    const int folded = QString::compare(a.fileName(), b.fileName(), Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return QString::compare(a.fileName(), b.fileName(), Qt::CaseSensitive) < 0;
}

QFileInfoList entriesByName(const QString &folder)
{
    QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Unsorted);
    std::sort(entries.begin(), entries.end(), byName);
    return entries;
}

QString withoutOneTrailingSeparator(QString dir)
{
    if (dir.endsWith(QLatin1Char('\\')) || dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

// Walks folders depth first and remembers the folders on the current path, so that a
// link pointing back up the tree ends the descent instead of looping.
class Walker
{
public:
    void collectFiles(const QString &folder, const QRegularExpression &mask, bool recurse,
                      QStringList &result)
    {
        const QString identity = QFileInfo(folder).canonicalFilePath();
        if (identity.isEmpty() || m_onPath.contains(identity))
            return;
        m_onPath.insert(identity);
        const QFileInfoList entries = entriesByName(folder);
        if (recurse) {
            for (const QFileInfo &entry : entries)
                if (entry.isDir() && !isHidden(entry))
                    collectFiles(folder + kSeparator + entry.fileName(), mask, recurse, result);
        }
        for (const QFileInfo &entry : entries)
            if (!entry.isDir() && mask.match(entry.fileName()).hasMatch())
                result.append(folder + kSeparator + entry.fileName());
        m_onPath.remove(identity);
    }

    void collectDirs(const QString &folder, bool recurse, QStringList &result)
    {
        const QString identity = QFileInfo(folder).canonicalFilePath();
        if (identity.isEmpty() || m_onPath.contains(identity))
            return;
        m_onPath.insert(identity);
        QStringList subfolders;
        for (const QFileInfo &entry : entriesByName(folder))
            if (entry.isDir() && !isHidden(entry))
                subfolders.append(folder + kSeparator + entry.fileName());
        if (recurse) {
            for (const QString &subfolder : subfolders)
                collectDirs(subfolder, recurse, result);
        }
        result.append(subfolders);
        m_onPath.remove(identity);
    }

private:
    QSet<QString> m_onPath;
};

} // namespace

QStringList GetFilesInDir(const QString &dir, const QString &filter, bool recurse)
{
    QStringList result;
    if (dir.isEmpty())
        return result;
    const QRegularExpression mask(QRegularExpression::wildcardToRegularExpression(filter),
                                  QRegularExpression::CaseInsensitiveOption);
    Walker().collectFiles(withoutOneTrailingSeparator(dir), mask, recurse, result);
    return result;
}

QStringList GetDirsInDir(const QString &dir, bool recurse)
{
    QStringList result;
    if (dir.isEmpty())
        return result;
    Walker().collectDirs(withoutOneTrailingSeparator(dir), recurse, result);
    return result;
}
