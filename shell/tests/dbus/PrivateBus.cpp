#include "PrivateBus.h"

#include <QFile>
#include <QStandardPaths>

PrivateBus::PrivateBus()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    if (daemon.isEmpty() || !m_dir.isValid() || !WriteConfig(config))
        return;
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                            QStringLiteral("--nopidfile"), QStringLiteral("--print-address")});
    if (!m_daemon.waitForStarted(5000))
        return;
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
    }
    m_address = QString::fromLocal8Bit(m_daemon.readLine()).trimmed();
}

PrivateBus::~PrivateBus()
{
    for (const QString &name : std::as_const(m_connections))
        QDBusConnection::disconnectFromBus(name);
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000))
        m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

QDBusConnection PrivateBus::Connect(const QString &name)
{
    const QString unique = name + QLatin1Char('-') + QString::number(m_connections.size());
    m_connections << unique;
    return QDBusConnection::connectToBus(m_address, unique);
}

bool PrivateBus::WriteConfig(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray config = QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)").arg(m_dir.path()).toUtf8();
    return file.write(config) == config.size() && file.flush();
}
