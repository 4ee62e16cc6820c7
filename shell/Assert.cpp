#include "shell/Assert.h"

#include <QDebug>

namespace {

AssertPresenter &presenter()
{
    static AssertPresenter instance = [](const QString &text) { qWarning().noquote() << text; };
    return instance;
}

} // namespace

void InstallAssertPresenter(AssertPresenter newPresenter)
{
    presenter() = std::move(newPresenter);
}

QString AssertText(const QString &message, const QString &file, int line)
{
    return QStringLiteral("Algorithm assert error: ") + message + QLatin1Char(' ') + file
           + QStringLiteral(", line ") + QString::number(line);
}

void MyAssertProc(const QString &message, const QString &file, int line)
{
    presenter()(AssertText(message, file, line));
}
