#pragma once

#include <QFileDialog>
#include <QString>

class QWidget;

// Qt's own file dialog (the same on every desktop) with everything it shows in Russian:
// its labels, and the size, type and date columns, which Qt's file model would give in the
// system's language and its translation partly lacks. Sized to the screen, columns wide
// enough for their texts, the home and music folders and / as places.
QFileDialog *NewRussianFileDialog(QWidget *parent, const QString &title, const QString &folder,
                                  const QString &filter, QFileDialog::AcceptMode accept,
                                  QFileDialog::FileMode files);

// Shows such a dialog for one file; its path, or an empty string when the user cancels.
// `suggested` (a path or a name) is preselected.
QString ChooseRussianFile(QWidget *parent, const QString &title, const QString &suggested, const QString &filter,
                          QFileDialog::AcceptMode accept);
