#include "playlists/ui/DialogHooks.h"

#include "playlists/ui/Mp3FileDialog.h"
#include "shell/ui/FormHelpers.h"

FileChooser StandardFileChooser()
{
    return [](QWidget *parent, const QString &title) {
        return ChooseMp3Files(parent, title, false).value(0);
    };
}

FilesChooser StandardFilesChooser()
{
    return [](QWidget *parent, const QString &title) { return ChooseMp3Files(parent, title, true); };
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
