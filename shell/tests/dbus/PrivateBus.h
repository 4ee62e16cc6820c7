#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QTemporaryDir>

// A bus of the test's own: a dbus-daemon started for the test and ended with it, so tests
// never reach the desktop's session bus or the system bus. Its configuration names no
// service folders, so no real service can be started on it.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();

    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    bool IsRunning() const { return !m_address.isEmpty(); }
    // Empty when the daemon could not be started.
    QString Address() const { return m_address; }
    // A new connection of its own to this bus, as another program would have; `name` need
    // not be unique.
    QDBusConnection Connect(const QString &name);

private:
    bool WriteConfig(const QString &path) const;

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};
