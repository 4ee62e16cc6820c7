#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QTemporaryDir>

// A dbus-daemon of the test's own, so that nothing ever reaches the real system bus.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();

    bool IsRunning() const { return !m_address.isEmpty(); }
    QString Address() const { return m_address; }
    // A new connection to this bus under `name` (unique within the test).
    QDBusConnection Connect(const QString &name);

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};
