#pragma once

// A bus of the test's own: a dbus-daemon started for the test and ended with it, so tests
// never reach the desktop's session bus or the system bus. Its configuration names no
// service folders, so no real service can be started on it.

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

class PrivateDbus
{
public:
    PrivateDbus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty() || !m_dir.isValid() || !writeConfig())
            return;
        m_daemon.setProgram(daemon);
        m_daemon.setArguments({QStringLiteral("--config-file=") + configPath(), QStringLiteral("--nofork"),
                               QStringLiteral("--nopidfile"), QStringLiteral("--print-address")});
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.start();
        if (!m_daemon.waitForStarted(5000))
            return;
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
        }
        m_address = QString::fromLocal8Bit(m_daemon.readLine()).trimmed();
    }

    ~PrivateDbus()
    {
        for (const QString &name : std::as_const(m_connections))
            QDBusConnection::disconnectFromBus(name);
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(5000))
                m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }

    PrivateDbus(const PrivateDbus &) = delete;
    PrivateDbus &operator=(const PrivateDbus &) = delete;

    // Empty when the daemon could not be started.
    QString address() const { return m_address; }
    bool isRunning() const { return !m_address.isEmpty(); }

    // A new connection of its own to this bus, as another program would have.
    QDBusConnection connect(const QString &name)
    {
        const QString unique = name + QStringLiteral("-") + QString::number(m_connections.size());
        m_connections.append(unique);
        return QDBusConnection::connectToBus(m_address, unique);
    }

private:
    QString configPath() const { return m_dir.filePath(QStringLiteral("bus.conf")); }

    bool writeConfig()
    {
        QFile file(configPath());
        if (!file.open(QIODevice::WriteOnly))
            return false;
        QTextStream(&file) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                              " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                              "<busconfig>\n"
                              "  <type>session</type>\n"
                              "  <listen>unix:dir=" << m_dir.path() << "</listen>\n"
                              "  <auth>EXTERNAL</auth>\n"
                              "  <policy context=\"default\">\n"
                              "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                              "    <allow eavesdrop=\"true\"/>\n"
                              "    <allow own=\"*\"/>\n"
                              "  </policy>\n"
                              "</busconfig>\n";
        return file.flush();
    }

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};
