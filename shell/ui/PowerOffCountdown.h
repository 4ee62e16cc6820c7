#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QPushButton;

// The last chance to keep the computer on: "Компьютер будет выключен через N с." counting
// down once a second. It is accepted when the count reaches 0 or by "Выключить сейчас", and
// rejected by "Отмена" (the default button, so Enter keeps the computer on), Escape or closing
// the window.
class PowerOffCountdown : public QDialog
{
    Q_OBJECT

public:
    explicit PowerOffCountdown(QWidget *parent = nullptr, int seconds = 60, int tickMs = 1000);

    int SecondsLeft() const { return m_secondsLeft; }
    // One second has passed.
    void Tick();

    QLabel *TextLabel = nullptr;
    QPushButton *PowerOffNowButton = nullptr;
    QPushButton *CancelButton = nullptr;

private:
    void showSecondsLeft();

    QTimer m_timer;
    int m_secondsLeft;
};
