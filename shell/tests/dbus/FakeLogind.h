#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QSocketNotifier>
#include <memory>
#include <vector>

// logind as far as Nesvara uses it: Inhibit hands out a lock descriptor and notices, as logind
// does, when its last copy is closed; PowerOff is recorded, never carried out.
class FakeLogind : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    // Serves as org.freedesktop.login1 on `bus`.
    bool Register(QDBusConnection bus);
    ~FakeLogind() override;

    QList<QStringList> inhibitCalls;
    QList<bool> powerOffCalls;
    bool refuseInhibit = false;
    bool refusePowerOff = false;
    // Locks handed out whose descriptor is still open somewhere.
    int OpenLocks() const;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why,
                                    const QString &mode);
    void PowerOff(bool interactive);

private:
    struct Lock
    {
        int readEnd = -1;
        std::unique_ptr<QSocketNotifier> notifier;
        bool open = true;
    };
    std::vector<std::unique_ptr<Lock>> m_locks;
};
