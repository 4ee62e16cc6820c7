#include "player/PlayerWaits.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>

PlayerWaits::PlayerWaits()
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
}

PlayerWaits::~PlayerWaits()
{
    QCoreApplication::removePostedEvents(&m_wakeTarget);
}

void PlayerWaits::ProcessMessages()
{
    QCoreApplication::processEvents();
}

void PlayerWaits::Sleep(int ms)
{
    WaitAtMost(ms);
}

void PlayerWaits::WaitForActivity()
{
    WaitAtMost(kActivityWaitMs);
}

void PlayerWaits::Wake()
{
    m_wakePending.store(true);
    // Any posted event ends a blocked processEvents; the target ignores it.
    QCoreApplication::postEvent(&m_wakeTarget, new QEvent(QEvent::User));
}

void PlayerWaits::WaitAtMost(int ms)
{
    if (m_wakePending.exchange(false))
        return;
    // The timer's own event ends the wait at the latest after `ms`.
    m_timer.start(std::max(ms, 0));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    m_timer.stop();
    m_wakePending.store(false);
}
