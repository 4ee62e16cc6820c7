#pragma once

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <functional>

// Runs `steps` once the modal dialog is up, then closes it if the steps left it open, so
// that a failing check never leaves a test waiting for a user. Returns whether the steps
// left the dialog open.
inline bool RunWhileModal(QDialog &dialog, const std::function<bool()> &openDialog,
                          const std::function<void()> &steps, bool *result = nullptr)
{
    bool leftOpen = false;
    QTimer::singleShot(0, &dialog, [&] {
        steps();
        leftOpen = dialog.isVisible();
        if (leftOpen)
            dialog.reject();
    });
    const bool accepted = openDialog();
    if (result)
        *result = accepted;
    return leftOpen;
}

// Creates an empty file, and its folders; an MP3 file's content does not matter here.
inline void TouchFile(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
}
