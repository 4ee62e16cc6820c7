#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

// "Вы медитировали 12 минут." with the word in the form its number needs.
QString MinutesMeditatedText(qint64 minutes);

// Desktop notifications (org.freedesktop.Notifications). The request never blocks: a
// desktop without a notification service simply shows nothing.
class TDesktopNotifier : public QObject
{
    Q_OBJECT

public:
    explicit TDesktopNotifier(const QDBusConnection &connection, QObject *parent = nullptr);

    // False at once when there is no bus; otherwise the answer comes as finished().
    bool Notify(const QString &summary, const QString &body);
    // "Медитация завершена" and how long it lasted.
    bool NotifyMeditationDone(qint64 minutes);

signals:
    void finished(bool shown);

private:
    QDBusConnection m_connection;
};
