#include "playlists/ui/DialogHooks.h"

#include "shell/ui/FormHelpers.h"

#include <QFileDialog>
#include <QFileInfo>

// MP3 files first, every file on request; Qt's own dialog, which speaks Russian with the
// program's translation; it opens where the user last chose a file.
FileChooser StandardFileChooser()
{
    return [lastFolder = QString()](QWidget *parent, const QString &title) mutable {
        const QString file = QFileDialog::getOpenFileName(
            parent, title, lastFolder, QStringLiteral("Файлы MP3 (*.mp3 *.MP3);;Все файлы (*)"), nullptr,
            QFileDialog::DontUseNativeDialog);
        if (!file.isEmpty())
            lastFolder = QFileInfo(file).path();
        return file;
    };
}

YesNoQuestion StandardYesNoQuestion()
{
    return [](QWidget *parent, const QString &question) {
        return AskNesvaraYesNo(parent, question);
    };
}

MessageSink StandardMessageSink()
{
    return [](QWidget *parent, const QString &text) { ShowNesvaraMessage(parent, text); };
}
