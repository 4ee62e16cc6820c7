#pragma once

#include "shell/MediaState.h"

#include <QDBusConnection>
#include <QObject>
#include <functional>

// The program as a media player of the desktop (MPRIS2): media keys and the desktop's media
// panel reach it through the session bus. Commands come out as commandRequested, the
// program's state goes in through SetState; nothing here knows the window, so the service
// is tested on a private bus.
class TMprisService : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char *kServiceName = "org.mpris.MediaPlayer2.nesvara";
    static constexpr const char *kRootInterface = "org.mpris.MediaPlayer2";
    static constexpr const char *kPlayerInterface = "org.mpris.MediaPlayer2.Player";

    explicit TMprisService(QObject *parent = nullptr);
    ~TMprisService() override;

    // Puts the player on `connection` under kServiceName, or under a name of its own
    // instance when another copy of the program holds that one. False when there is no bus
    // or the bus refused: the program then runs without media controls.
    bool Register(const QDBusConnection &connection);
    // The name taken on the bus; empty when not registered.
    QString ServiceName() const { return m_serviceName; }

    // Announces what changed since the last state through PropertiesChanged.
    void SetState(const TMediaState &state);
    const TMediaState &State() const { return m_state; }
    // Where the running meditation is, in microseconds; read whenever a client asks.
    void SetPositionSource(std::function<qint64()> positionUs) { m_positionUs = std::move(positionUs); }

    // Called by the bus adaptors.
    void Request(TMediaCommand command);
    void RequestPlayPause();
    void RequestVolume(double volume);
    qint64 PositionUs() const;
    QVariantMap Metadata() const;
    QString PlaybackStatusText() const;

signals:
    // Delivered from the event loop after the bus call has been answered: a command may run
    // a whole meditation before it returns.
    void commandRequested(TMediaCommand command);
    void volumeRequested(double volume);

private:
    void announce(const QVariantMap &changed);

    QDBusConnection m_connection;
    QString m_serviceName;
    TMediaState m_state;
    std::function<qint64()> m_positionUs;
};
