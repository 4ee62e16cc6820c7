#include "shell/ui/PowerOffCountdown.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PowerOffCountdown::PowerOffCountdown(QWidget *parent, int seconds, int tickMs)
    : QDialog(parent), m_secondsLeft(seconds)
{
    setWindowTitle(QStringLiteral("Nesvara"));
    auto *layout = new QVBoxLayout(this);
    TextLabel = new QLabel(this);
    TextLabel->setAlignment(Qt::AlignCenter);
    TextLabel->setMinimumWidth(380);
    layout->addWidget(TextLabel);

    auto *buttons = new QHBoxLayout;
    PowerOffNowButton = new QPushButton(QStringLiteral("Выключить сейчас"), this);
    CancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    PowerOffNowButton->setAccessibleName(PowerOffNowButton->text());
    CancelButton->setAccessibleName(CancelButton->text());
    CancelButton->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(PowerOffNowButton);
    buttons->addWidget(CancelButton);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(PowerOffNowButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_timer, &QTimer::timeout, this, &PowerOffCountdown::Tick);
    connect(this, &QDialog::finished, &m_timer, &QTimer::stop);
    m_timer.start(tickMs);
    showSecondsLeft();
    CancelButton->setFocus();
}

void PowerOffCountdown::Tick()
{
    if (m_secondsLeft <= 0)
        return;
    --m_secondsLeft;
    showSecondsLeft();
    if (m_secondsLeft == 0)
        accept();
}

void PowerOffCountdown::showSecondsLeft()
{
    TextLabel->setText(QStringLiteral("Компьютер будет выключен через %1 с.").arg(m_secondsLeft));
    TextLabel->setAccessibleName(TextLabel->text());
}
