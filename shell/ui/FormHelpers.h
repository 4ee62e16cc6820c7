#pragma once

#include <QSize>
#include <QString>

class QMenu;
class QWidget;

// Centres the window on the primary screen.
void AlignForm(QWidget *form);
// Places the window at a relative place on the primary screen: kx and ky run from -1 (left,
// top) through 0 (centred) to 1 (right, bottom).
void AlignForm(QWidget *form, double kx, double ky);

// `wanted`, made smaller where needed so that a window of that size, with its frame,
// fits the available area of the screen `near` is on (the primary screen without it).
QSize SizeOnScreen(const QWidget *near, QSize wanted);

// Opens the popup menu just right of `sender`, level with its top.
void hfExecPopup(QMenu *popup, QWidget *sender);

// A modal message box captioned "Nesvara" with one OK button.
int ShowNesvaraMessage(QWidget *parent, const QString &text);
// The default error report: a modal "Nesvara" box with the error sign and one "Ок" button.
void ShowNesvaraError(QWidget *parent, const QString &text);
// A modal box with an empty caption and one "Ок" button (failed assertions).
void ShowUntitledMessage(QWidget *parent, const QString &text);
// A modal Yes/No question captioned "Nesvara"; true on Yes.
bool AskNesvaraYesNo(QWidget *parent, const QString &question);
// Да / Нет / Отмена; returns QMessageBox::Yes, No or Cancel (also for Escape).
int AskNesvaraYesNoCancel(QWidget *parent, const QString &question);
