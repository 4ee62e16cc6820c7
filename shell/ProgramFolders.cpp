#include "shell/ProgramFolders.h"

#include "shell/Errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <optional>

namespace {

const QString kProgramName = QStringLiteral("nesvara");
const QString kLibraryFolder = QStringLiteral("Sounds");

QString withSeparator(const QString &dir)
{
    const QString native = QDir::toNativeSeparators(dir);
    return native.endsWith(QDir::separator()) ? native : native + QDir::separator();
}

bool holdsLibrary(const QString &dir)
{
    return QFileInfo(QDir(dir).filePath(kLibraryFolder)).isDir();
}

QString installedLibraryDir(const ProgramLocation &where)
{
    if (holdsLibrary(where.executableDir))
        return withSeparator(where.executableDir);
    const QString besideExecutable =
        QDir::cleanPath(where.executableDir + QStringLiteral("/../share/") + kProgramName);
    if (holdsLibrary(besideExecutable) || where.builtForDataDir.isEmpty()
        || !holdsLibrary(where.builtForDataDir))
        return withSeparator(besideExecutable);
    return withSeparator(where.builtForDataDir);
}

std::optional<ProgramFolders> &chosenFolders()
{
    static std::optional<ProgramFolders> folders;
    return folders;
}

} // namespace

ProgramFolders PortableFolders(const QString &dir)
{
    ProgramFolders folders;
    folders.portable = true;
    folders.optionsDir = withSeparator(dir);
    folders.dataDir = folders.optionsDir;
    folders.libraryDirs = {folders.optionsDir};
    return folders;
}

bool IsPortableFolder(const QString &dir)
{
    // QFileInfo asks access(), so a read-only mount counts as unwritable even for root.
    return holdsLibrary(dir) && QFileInfo(dir).isWritable();
}

ProgramFolders ResolveProgramFolders(const ProgramLocation &where)
{
    if (where.portableSwitch || IsPortableFolder(where.executableDir))
        return PortableFolders(where.executableDir);
    ProgramFolders folders;
    folders.optionsDir = withSeparator(QDir(where.configHome).filePath(kProgramName));
    folders.dataDir = withSeparator(QDir(where.dataHome).filePath(kProgramName));
    folders.libraryDirs = {folders.dataDir, installedLibraryDir(where)};
    return folders;
}

ProgramLocation ThisProgramLocation(bool portableSwitch)
{
    ProgramLocation where;
    where.executableDir = QCoreApplication::applicationDirPath();
    where.portableSwitch = portableSwitch;
    where.configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    where.dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#ifdef NESVARA_INSTALLED_DATA_DIR
    where.builtForDataDir = QStringLiteral(NESVARA_INSTALLED_DATA_DIR);
#endif
    return where;
}

void SetProgramFolders(const ProgramFolders &folders)
{
    chosenFolders() = folders;
}

const ProgramFolders &TheProgramFolders()
{
    std::optional<ProgramFolders> &folders = chosenFolders();
    if (!folders)
        folders = ResolveProgramFolders(ThisProgramLocation(false));
    return *folders;
}

QString ProgramDataFolder()
{
    return TheProgramFolders().dataDir;
}

void MakeFolderFor(const QString &fileName)
{
    const QString dir = QFileInfo(fileName).absolutePath();
    if (!QDir().mkpath(dir))
        throw FileError(QStringLiteral("Не удалось создать папку \"%1\" для файла \"%2\".")
                            .arg(QDir::toNativeSeparators(dir), QDir::toNativeSeparators(fileName)));
}
