#pragma once

#include "playlists/ui/AutoMusicListsUpdateForm.h"
#include "playlists/ui/ChooseFolderForm.h"
#include "playlists/ui/Mp3FilesListsForm.h"
#include "settings/ui/MainForm.h"
#include "shell/ui/AboutForm.h"
#include "shell/ui/HelpForm.h"

class QApplication;

// Loads Qt's Russian texts, sets the program's font and fills the technique tables: what the
// application needs before its first window.
void PrepareApplication(QApplication &app);

// The program's windows, each created once, the main window first; the main window is
// finished (its caption set) and wired to the others, but not shown yet.
struct TProgramWindows
{
    explicit TProgramWindows(TMainFormEnvironment environment);

    TMainForm mainForm;
    // The editor is handed the folder chooser it uses, so the chooser comes before it.
    TChooseFolderForm chooseFolderForm;
    TMp3FilesListsForm listsEditor;
    TAboutForm aboutForm;
    TAutoMusicListsUpdateForm autoUpdateForm;
    THelpForm helpForm;
};
