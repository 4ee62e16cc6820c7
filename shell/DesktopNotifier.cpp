#include "shell/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {

// Russian takes "минуту" after 1, 21, 31..., "минуты" after 2-4, 22-24..., "минут" after
// the rest, the teens included.
QString minutesWord(qint64 minutes)
{
    const qint64 lastTwo = minutes % 100;
    const qint64 last = minutes % 10;
    if (lastTwo >= 11 && lastTwo <= 14)
        return QStringLiteral("минут");
    if (last == 1)
        return QStringLiteral("минуту");
    if (last >= 2 && last <= 4)
        return QStringLiteral("минуты");
    return QStringLiteral("минут");
}

} // namespace

QString MinutesMeditatedText(qint64 minutes)
{
    if (minutes < 1)
        return QStringLiteral("Вы медитировали меньше минуты.");
    return QStringLiteral("Вы медитировали %1 %2.").arg(minutes).arg(minutesWord(minutes));
}

TDesktopNotifier::TDesktopNotifier(const QDBusConnection &connection, QObject *parent)
    : QObject(parent), m_connection(connection)
{
}

bool TDesktopNotifier::Notify(const QString &summary, const QString &body)
{
    if (!m_connection.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("nesvara")}};
    call << QStringLiteral("Nesvara") << quint32(0) << QString() << summary << body << QStringList()
         << hints << qint32(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *done) {
        done->deleteLater();
        emit finished(!done->isError());
    });
    return true;
}

bool TDesktopNotifier::NotifyMeditationDone(qint64 minutes)
{
    return Notify(QStringLiteral("Медитация завершена"), MinutesMeditatedText(minutes));
}
