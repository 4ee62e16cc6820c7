#pragma once

#include <QString>
#include <QStringList>

// Where the program reads its recordings and keeps the user's files. Every folder ends with
// a separator.
//
// Portable mode: the program's own folder holds everything, as in the build tree or on a USB
// stick. It is chosen by "--portable", or when the executable's folder holds a "Sounds"
// folder and can be written to.
//
// Installed mode, otherwise: options.bin in $XDG_CONFIG_HOME/nesvara, the two playlist files
// in $XDG_DATA_HOME/nesvara, the user's own recordings in $XDG_DATA_HOME/nesvara/Sounds
// (read before the installed ones), and the installed library, read only, in the
// executable's folder when it holds "Sounds" (a read-only stick), else in ../share/nesvara
// beside the executable, else in the data folder the program was built for.
struct ProgramFolders
{
    bool portable = false;
    // Holds options.bin.
    QString optionsDir;
    // The data folder of the program's mode: holds musiclists.bin and backsoundslists.bin.
    QString dataDir;
    // Folders that hold a "Sounds" library, in the order they are read: the user's first,
    // the installed library last. Never empty.
    QStringList libraryDirs;

    // The folder of the library that came with the program (the default playlists' files).
    QString InstalledLibraryDir() const { return libraryDirs.last(); }

    QString OptionsFile() const { return optionsDir + QStringLiteral("options.bin"); }
    QString MusicListsFile() const { return dataDir + QStringLiteral("musiclists.bin"); }
    QString BackSoundsListFile() const { return dataDir + QStringLiteral("backsoundslists.bin"); }
};

// What the folders are decided from.
struct ProgramLocation
{
    QString executableDir;
    bool portableSwitch = false;
    QString configHome;        // $XDG_CONFIG_HOME or its default
    QString dataHome;          // $XDG_DATA_HOME or its default
    QString builtForDataDir;   // the installed data folder the build was configured for
};

// Everything in `dir`.
ProgramFolders PortableFolders(const QString &dir);
// The rule above.
ProgramFolders ResolveProgramFolders(const ProgramLocation &where);
// True when `dir` holds a "Sounds" folder and can be written to.
bool IsPortableFolder(const QString &dir);

// The location of the running program: its executable's folder, the XDG folders that
// QStandardPaths reports, and the data folder of its build.
ProgramLocation ThisProgramLocation(bool portableSwitch);

// The folders chosen at start-up, for the whole run. Until start-up sets them they are those
// of ResolveProgramFolders(ThisProgramLocation(false)).
void SetProgramFolders(const ProgramFolders &folders);
const ProgramFolders &TheProgramFolders();
// The data folder of the program's mode (see ProgramFolders::dataDir).
QString ProgramDataFolder();

// Creates the folder that is to hold `fileName` if it is missing; throws FileError with the
// folder's name when it cannot.
void MakeFolderFor(const QString &fileName);
