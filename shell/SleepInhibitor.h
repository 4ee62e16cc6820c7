#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>

// Keeps the computer from sleeping while a meditation runs: a logind inhibitor lock
// ("sleep:idle", mode "block") taken over the system bus. The lock is a file descriptor that
// logind watches; it is closed on Release, when this object goes, and by the kernel if the
// program dies. Without a bus or logind the meditation runs as before and a line goes to the
// log.
class SleepInhibitor : public QObject
{
    Q_OBJECT

public:
    explicit SleepInhibitor(const QDBusConnection &bus, QObject *parent = nullptr);

    // Asks for the lock; logind's answer arrives through the event loop, which the running
    // meditation keeps turning. Does nothing while the lock is wanted already.
    void Acquire();
    // Gives the lock back at once; an answer still on its way is dropped when it comes.
    void Release();
    bool IsHeld() const { return m_lock.isValid(); }

signals:
    // The lock was granted, refused or given back.
    void stateChanged();

private:
    void takeAnswer(quint64 request, const QDBusUnixFileDescriptor &lock);

    QDBusConnection m_bus;
    QDBusUnixFileDescriptor m_lock;
    quint64 m_request = 0;
    bool m_wanted = false;
};
