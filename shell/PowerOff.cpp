#include "shell/PowerOff.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>
#include <QProcess>

namespace {

Q_LOGGING_CATEGORY(lcPower, "nesvara.power")

constexpr int kAnswerTimeoutMs = 30'000;

} // namespace

void ProcessRunner::Run(const QString &program, const QStringList &arguments,
                        std::function<void(const QString &error)> done)
{
    auto *process = new QProcess;
    process->setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(process, &QProcess::errorOccurred, process, [process, done](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        done(process->errorString());
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::finished, process, [process, done](int code, QProcess::ExitStatus status) {
        const QString output = QString::fromLocal8Bit(process->readAll()).trimmed();
        if (status != QProcess::NormalExit)
            done(QStringLiteral("команда прервана"));
        else if (code != 0)
            done(output.isEmpty() ? QStringLiteral("код завершения %1").arg(code) : output);
        else
            done(QString());
        process->deleteLater();
    });
    process->start(program, arguments);
}

PowerOff::PowerOff(const QDBusConnection &bus, CommandRunner &commands, QObject *parent)
    : QObject(parent), m_bus(bus), m_commands(commands)
{
}

void PowerOff::Start()
{
    if (!m_bus.isConnected()) {
        fallBack(QStringLiteral("нет системной шины D-Bus"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    call << false;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kAnswerTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *done) {
        done->deleteLater();
        const QDBusPendingReply<> reply = *done;
        if (reply.isError()) {
            qCInfo(lcPower).noquote() << "logind refused to power off:" << reply.error().name()
                                      << reply.error().message();
            fallBack(reply.error().message());
            return;
        }
        emit accepted();
    });
}

void PowerOff::fallBack(const QString &logindError)
{
    m_commands.Run(QStringLiteral("systemctl"), {QStringLiteral("poweroff")}, [this, logindError](const QString &error) {
        if (error.isEmpty()) {
            emit accepted();
            return;
        }
        emit failed(QStringLiteral("Не удалось выключить компьютер.\nlogind: %1\nsystemctl poweroff: %2")
                        .arg(logindError, error));
    });
}
