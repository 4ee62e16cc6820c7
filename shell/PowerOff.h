#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <functional>

// Runs a command without a window and says, later, whether it succeeded.
class CommandRunner
{
public:
    virtual ~CommandRunner() = default;
    // `done` gets an empty text on success, else what went wrong.
    virtual void Run(const QString &program, const QStringList &arguments,
                     std::function<void(const QString &error)> done) = 0;
};

// The real one: a QProcess per command; a command that cannot start or ends with another
// code than 0 is a failure.
class ProcessRunner : public CommandRunner
{
public:
    void Run(const QString &program, const QStringList &arguments,
             std::function<void(const QString &error)> done) override;
};

// Switches the computer off the way desktops do: logind's PowerOff (not interactive) over the
// system bus, and when logind refuses or is missing, "systemctl poweroff". When both fail,
// `failed` carries a Russian text that says why.
class PowerOff : public QObject
{
    Q_OBJECT

public:
    PowerOff(const QDBusConnection &bus, CommandRunner &commands, QObject *parent = nullptr);

    void Start();

signals:
    // The system took the request; it is switching off.
    void accepted();
    void failed(const QString &text);

private:
    void fallBack(const QString &logindError);

    QDBusConnection m_bus;
    CommandRunner &m_commands;
};
