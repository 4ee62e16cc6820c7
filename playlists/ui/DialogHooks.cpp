#include "playlists/ui/DialogHooks.h"

#include "shell/ui/FormHelpers.h"

#include <QFileDialog>

FileChooser StandardFileChooser()
{
    return [](QWidget *parent, const QString &title) {
        return QFileDialog::getOpenFileName(parent, title);
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
