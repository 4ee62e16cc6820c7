#include "FakeLogind.h"

#include <fcntl.h>
#include <unistd.h>

bool FakeLogind::Register(QDBusConnection bus)
{
    return bus.registerObject(QStringLiteral("/org/freedesktop/login1"), this, QDBusConnection::ExportAllSlots)
           && bus.registerService(QStringLiteral("org.freedesktop.login1"));
}

FakeLogind::~FakeLogind()
{
    for (const auto &lock : m_locks)
        ::close(lock->readEnd);
}

int FakeLogind::OpenLocks() const
{
    int open = 0;
    for (const auto &lock : m_locks)
        open += lock->open ? 1 : 0;
    return open;
}

QDBusUnixFileDescriptor FakeLogind::Inhibit(const QString &what, const QString &who, const QString &why,
                                            const QString &mode)
{
    inhibitCalls << QStringList{what, who, why, mode};
    if (refuseInhibit) {
        sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Permission denied"));
        return {};
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        sendErrorReply(QDBusError::Failed, QStringLiteral("pipe failed"));
        return {};
    }
    auto lock = std::make_unique<Lock>();
    lock->readEnd = fds[0];
    lock->notifier = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
    Lock *watched = lock.get();
    // The read end wakes with end-of-file once every copy of the write end is closed.
    connect(watched->notifier.get(), &QSocketNotifier::activated, this, [watched] {
        char byte;
        if (::read(watched->readEnd, &byte, 1) <= 0) {
            watched->open = false;
            watched->notifier->setEnabled(false);
        }
    });
    m_locks.push_back(std::move(lock));
    QDBusUnixFileDescriptor handedOut(fds[1]);  // keeps a copy of its own
    ::close(fds[1]);
    return handedOut;
}

void FakeLogind::PowerOff(bool interactive)
{
    powerOffCalls << interactive;
    if (refusePowerOff)
        sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"),
                       QStringLiteral("Interactive authentication required."));
}
