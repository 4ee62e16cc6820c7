#include "shell/MprisService.h"

#include "shell/MprisAdaptors.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMetaObject>
#include <algorithm>
#include <cmath>

namespace {

QString playbackStatusText(TPlaybackStatus status)
{
    switch (status) {
    case TPlaybackStatus::Playing:
        return QStringLiteral("Playing");
    case TPlaybackStatus::Paused:
        return QStringLiteral("Paused");
    case TPlaybackStatus::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

bool sameMetadata(const TMediaState &a, const TMediaState &b)
{
    return a.meditationNumber == b.meditationNumber && a.technique == b.technique
           && a.instructor == b.instructor && a.lengthUs == b.lengthUs;
}

} // namespace

TMprisService::TMprisService(QObject *parent)
    : QObject(parent), m_connection(QString())
{
    new TMprisRootAdaptor(this);
    new TMprisPlayerAdaptor(this);
}

TMprisService::~TMprisService()
{
    if (m_serviceName.isEmpty())
        return;
    m_connection.unregisterService(m_serviceName);
    m_connection.unregisterObject(QString::fromLatin1(kObjectPath));
}

bool TMprisService::Register(const QDBusConnection &connection)
{
    if (!connection.isConnected() || !m_serviceName.isEmpty())
        return false;
    m_connection = connection;
    const QString path = QString::fromLatin1(kObjectPath);
    if (!m_connection.registerObject(path, this, QDBusConnection::ExportAdaptors))
        return false;
    // The object is in place before the name appears, so a client that sees the name finds
    // the player behind it.
    const QString plain = QString::fromLatin1(kServiceName);
    const QString ownInstance =
        plain + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
    for (const QString &name : {plain, ownInstance}) {
        if (m_connection.registerService(name)) {
            m_serviceName = name;
            return true;
        }
    }
    m_connection.unregisterObject(path);
    return false;
}

void TMprisService::SetState(const TMediaState &state)
{
    QVariantMap changed;
    if (state.status != m_state.status)
        changed.insert(QStringLiteral("PlaybackStatus"), playbackStatusText(state.status));
    if (state.volume != m_state.volume)
        changed.insert(QStringLiteral("Volume"), state.volume);
    const bool metadataChanged = !sameMetadata(state, m_state);
    m_state = state;
    if (metadataChanged)
        changed.insert(QStringLiteral("Metadata"), Metadata());
    if (!changed.isEmpty())
        announce(changed);
}

void TMprisService::announce(const QVariantMap &changed)
{
    if (m_serviceName.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    m_connection.send(signal);
}

void TMprisService::Request(TMediaCommand command)
{
    QMetaObject::invokeMethod(this, [this, command] { emit commandRequested(command); },
                              Qt::QueuedConnection);
}

void TMprisService::RequestPlayPause()
{
    Request(m_state.status == TPlaybackStatus::Playing ? TMediaCommand::Pause : TMediaCommand::Play);
}

void TMprisService::RequestVolume(double volume)
{
    if (!std::isfinite(volume))
        return;
    const double clamped = std::clamp(volume, 0.0, 1.0);
    QMetaObject::invokeMethod(this, [this, clamped] { emit volumeRequested(clamped); },
                              Qt::QueuedConnection);
}

qint64 TMprisService::PositionUs() const
{
    return m_positionUs ? std::max<qint64>(m_positionUs(), 0) : 0;
}

QVariantMap TMprisService::Metadata() const
{
    QVariantMap metadata;
    if (m_state.meditationNumber == 0 && m_state.technique.isEmpty())
        return metadata;
    metadata.insert(QStringLiteral("mpris:trackid"),
                    QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/nesvara/Meditation/%1")
                                                            .arg(m_state.meditationNumber))));
    metadata.insert(QStringLiteral("xesam:title"), m_state.technique);
    metadata.insert(QStringLiteral("xesam:artist"), QStringList{m_state.instructor});
    metadata.insert(QStringLiteral("mpris:length"), QVariant::fromValue<qint64>(m_state.lengthUs));
    return metadata;
}

QString TMprisService::PlaybackStatusText() const
{
    return playbackStatusText(m_state.status);
}
