#pragma once

#include <QString>
#include <functional>

// The program's assertion handler: it shows the failed assertion and lets the program go
// on as if it had held. The window layer installs a presenter that shows a message box;
// until then (and in tests) the text goes wherever the installed presenter sends it.
using AssertPresenter = std::function<void(const QString &text)>;

void InstallAssertPresenter(AssertPresenter presenter);

// "Algorithm assert error: <message> <file>, line <line>".
QString AssertText(const QString &message, const QString &file, int line);

void MyAssertProc(const QString &message, const QString &file, int line);
