#include "shell/SleepInhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcPower, "nesvara.power")

constexpr int kAnswerTimeoutMs = 10'000;

} // namespace

SleepInhibitor::SleepInhibitor(const QDBusConnection &bus, QObject *parent) : QObject(parent), m_bus(bus) {}

void SleepInhibitor::Acquire()
{
    if (m_wanted)
        return;
    m_wanted = true;
    const quint64 request = ++m_request;
    if (!m_bus.isConnected()) {
        qCInfo(lcPower).noquote() << "No system bus; the computer may sleep during the meditation:"
                                  << m_bus.lastError().message();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QStringLiteral("Nesvara")
         << QStringLiteral("Идёт медитация") << QStringLiteral("block");
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kAnswerTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, request](QDBusPendingCallWatcher *done) {
        done->deleteLater();
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *done;
        if (reply.isError()) {
            qCInfo(lcPower).noquote() << "logind did not give a sleep lock; the computer may sleep during the meditation:"
                                      << reply.error().name() << reply.error().message();
            takeAnswer(request, QDBusUnixFileDescriptor());
            return;
        }
        takeAnswer(request, reply.value());
    });
}

void SleepInhibitor::takeAnswer(quint64 request, const QDBusUnixFileDescriptor &lock)
{
    // An answer to a request given up since then is dropped: its descriptor closes here.
    if (request != m_request || !m_wanted)
        return;
    m_lock = lock;
    emit stateChanged();
}

void SleepInhibitor::Release()
{
    m_wanted = false;
    ++m_request;
    if (!m_lock.isValid())
        return;
    m_lock = QDBusUnixFileDescriptor();
    emit stateChanged();
}
