#include "shell/ui/FormHelpers.h"

#include "shell/Helpers.h"

#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

QString NesvaraCaption()
{
    return QStringLiteral("Nesvara");
}

// The full size of the primary screen, not its work area.
QSize PrimaryScreenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

int showWithOkButton(QMessageBox::Icon icon, const QString &caption, const QString &text, QWidget *parent)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("Ок"));
    return box.exec();
}

} // namespace

void AlignForm(QWidget *form)
{
    form->move(CenteredFormPosition(PrimaryScreenSize(), form->frameGeometry().size()));
}

void AlignForm(QWidget *form, double kx, double ky)
{
    form->move(RelativeFormPosition(PrimaryScreenSize(), form->frameGeometry().size(), kx, ky));
}

void hfExecPopup(QMenu *popup, QWidget *sender)
{
    const QPoint besideSender(sender->x() + sender->width() + 1, sender->y());
    const QWidget *parent = sender->parentWidget();
    popup->popup(parent ? parent->mapToGlobal(besideSender)
                        : sender->mapToGlobal(QPoint(sender->width() + 1, 0)));
}

int ShowNesvaraMessage(QWidget *parent, const QString &text)
{
    return showWithOkButton(QMessageBox::Information, NesvaraCaption(), text, parent);
}

void ShowNesvaraError(QWidget *parent, const QString &text)
{
    showWithOkButton(QMessageBox::Critical, NesvaraCaption(), text, parent);
}

void ShowUntitledMessage(QWidget *parent, const QString &text)
{
    showWithOkButton(QMessageBox::NoIcon, QString(), text, parent);
}

bool AskNesvaraYesNo(QWidget *parent, const QString &question)
{
    QMessageBox box(QMessageBox::Question, NesvaraCaption(), question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    return box.exec() == QMessageBox::Yes;
}

int AskNesvaraYesNoCancel(QWidget *parent, const QString &question)
{
    QMessageBox box(QMessageBox::Question, NesvaraCaption(), question,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec();
}

QSize SizeOnScreen(const QWidget *near, QSize wanted)
{
    const QScreen *screen = near && near->screen() ? near->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return wanted;
    const QRect room = screen->availableGeometry();
    return {std::min(wanted.width(), room.width() - 40), std::min(wanted.height(), room.height() - 60)};
}
