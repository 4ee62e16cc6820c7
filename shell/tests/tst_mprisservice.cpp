// The media-player service on a private bus, seen by a client the way the desktop's media
// panel sees it: its name, its properties, the methods it answers and what it announces.

#include "shell/MprisService.h"
#include "dbus/PrivateBus.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(TMediaCommand)
Q_DECLARE_METATYPE(TPlaybackStatus)

namespace {

const QString kRoot = QString::fromLatin1(TMprisService::kRootInterface);
const QString kPlayer = QString::fromLatin1(TMprisService::kPlayerInterface);
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

TMediaState playingState()
{
    TMediaState state;
    state.status = TPlaybackStatus::Playing;
    state.meditationNumber = 1;
    state.technique = QStringLiteral("Осознание дыхания");
    state.instructor = QStringLiteral("Марвана");
    state.lengthUs = 12LL * 60 * 1000 * 1000;
    state.volume = 0.5;
    return state;
}

// Collects the PropertiesChanged signals the client receives.
class PropertiesChangedLog : public QObject
{
    Q_OBJECT

public:
    QList<QVariantMap> changes;
    QStringList interfaces;

public slots:
    void onMessage(const QDBusMessage &message)
    {
        const QVariantList args = message.arguments();
        interfaces.append(args.value(0).toString());
        changes.append(qdbus_cast<QVariantMap>(args.value(1)));
    }
};

} // namespace

class TestMprisService : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void theProgramIsKnownByNameAndIdentity();
    void playerPropertiesFollowTheState();
    void changesAreAnnouncedOnlyWhenSomethingChanged();
    void methodsArriveAsCommands_data();
    void methodsArriveAsCommands();
    void aCommandThatRunsLongDoesNotHoldTheReply();
    void volumeSetFromTheDesktopIsKeptWithinRange();
    void aSecondCopyOfTheProgramTakesANameOfItsOwn();
    void withoutABusNothingIsRegistered();

private:
    QDBusMessage call(const QString &interface, const QString &method, const QVariantList &args = {});
    QVariant property(const QString &interface, const QString &name);

    std::unique_ptr<PrivateBus> m_bus;
    std::unique_ptr<TMprisService> m_service;
    QDBusConnection m_client{QString()};
};

void TestMprisService::init()
{
    qRegisterMetaType<TMediaCommand>();
    m_bus = std::make_unique<PrivateBus>();
    if (!m_bus->IsRunning())
        QFAIL("dbus-daemon could not be started");
    m_service = std::make_unique<TMprisService>();
    QVERIFY(m_service->Register(m_bus->Connect(QStringLiteral("program"))));
    m_client = m_bus->Connect(QStringLiteral("panel"));
    QVERIFY(m_client.isConnected());
}

void TestMprisService::cleanup()
{
    m_service.reset();
    m_client = QDBusConnection(QString());
    m_bus.reset();
}

QDBusMessage TestMprisService::call(const QString &interface, const QString &method, const QVariantList &args)
{
    QDBusMessage message = QDBusMessage::createMethodCall(QString::fromLatin1(TMprisService::kServiceName),
                                                          QString::fromLatin1(TMprisService::kObjectPath),
                                                          interface, method);
    message.setArguments(args);
    // The service answers from this very thread: the wait has to keep the event loop going.
    return m_client.call(message, QDBus::BlockWithGui, 5000);
}

QVariant TestMprisService::property(const QString &interface, const QString &name)
{
    const QDBusMessage reply = call(kProperties, QStringLiteral("Get"), {interface, name});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qWarning() << "Get" << name << "failed:" << reply.errorMessage();
        return {};
    }
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

void TestMprisService::theProgramIsKnownByNameAndIdentity()
{
    QCOMPARE(m_service->ServiceName(), QString::fromLatin1(TMprisService::kServiceName));
    QCOMPARE(property(kRoot, QStringLiteral("Identity")).toString(), QStringLiteral("Nesvara"));
    QCOMPARE(property(kRoot, QStringLiteral("DesktopEntry")).toString(), QStringLiteral("nesvara"));
    QCOMPARE(property(kRoot, QStringLiteral("CanRaise")), QVariant(true));
    QCOMPARE(property(kRoot, QStringLiteral("CanQuit")), QVariant(true));
    QCOMPARE(property(kRoot, QStringLiteral("HasTrackList")), QVariant(false));
    QCOMPARE(property(kRoot, QStringLiteral("SupportedUriSchemes")).toStringList(), QStringList());
}

void TestMprisService::playerPropertiesFollowTheState()
{
    // Before any meditation: stopped, and no track to show.
    QCOMPARE(property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
    QVERIFY(qdbus_cast<QVariantMap>(property(kPlayer, QStringLiteral("Metadata"))).isEmpty());

    qint64 position = 83'000'000;
    m_service->SetPositionSource([&position] { return position; });
    m_service->SetState(playingState());

    QCOMPARE(property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
    const QVariant metadataValue = property(kPlayer, QStringLiteral("Metadata"));
    QCOMPARE(metadataValue.value<QDBusArgument>().currentSignature(), QStringLiteral("a{sv}"));
    const QVariantMap metadata = qdbus_cast<QVariantMap>(metadataValue);
    QCOMPARE(metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
             QStringLiteral("/org/nesvara/Meditation/1"));
    QCOMPARE(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Осознание дыхания"));
    QCOMPARE(metadata.value(QStringLiteral("xesam:artist")).toStringList(), QStringList{QStringLiteral("Марвана")});
    const QVariant length = metadata.value(QStringLiteral("mpris:length"));
    QCOMPARE(length.typeId(), QMetaType::LongLong);
    QCOMPARE(length.toLongLong(), 720'000'000LL);

    QCOMPARE(property(kPlayer, QStringLiteral("Position")).toLongLong(), 83'000'000LL);
    position = 84'500'000;
    QCOMPARE(property(kPlayer, QStringLiteral("Position")).toLongLong(), 84'500'000LL);
    QCOMPARE(property(kPlayer, QStringLiteral("Volume")).toDouble(), 0.5);
    QCOMPARE(property(kPlayer, QStringLiteral("Rate")).toDouble(), 1.0);

    for (const char *no : {"CanGoNext", "CanGoPrevious", "CanSeek"})
        QCOMPARE(property(kPlayer, QString::fromLatin1(no)), QVariant(false));
    for (const char *yes : {"CanPlay", "CanPause", "CanControl"})
        QCOMPARE(property(kPlayer, QString::fromLatin1(yes)), QVariant(true));

    TMediaState paused = playingState();
    paused.status = TPlaybackStatus::Paused;
    m_service->SetState(paused);
    QCOMPARE(property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Paused"));
}

void TestMprisService::changesAreAnnouncedOnlyWhenSomethingChanged()
{
    PropertiesChangedLog log;
    QVERIFY(m_client.connect(QString::fromLatin1(TMprisService::kServiceName),
                             QString::fromLatin1(TMprisService::kObjectPath), kProperties,
                             QStringLiteral("PropertiesChanged"), &log, SLOT(onMessage(QDBusMessage))));
    // The subscription reaches the bus before anything is sent.
    call(kProperties, QStringLiteral("Get"), {kRoot, QStringLiteral("Identity")});

    m_service->SetState(playingState());
    QTRY_COMPARE(log.changes.size(), 1);
    QCOMPARE(log.interfaces.at(0), kPlayer);
    QCOMPARE(log.changes.at(0).value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
    const QVariantMap metadata = qdbus_cast<QVariantMap>(log.changes.at(0).value(QStringLiteral("Metadata")));
    QCOMPARE(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Осознание дыхания"));

    // The same state again says nothing; a pause says only that.
    m_service->SetState(playingState());
    TMediaState paused = playingState();
    paused.status = TPlaybackStatus::Paused;
    m_service->SetState(paused);
    QTRY_COMPARE(log.changes.size(), 2);
    QCOMPARE(log.changes.at(1).keys(), QStringList{QStringLiteral("PlaybackStatus")});
    QCOMPARE(log.changes.at(1).value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Paused"));

    // The next meditation is a new track.
    TMediaState next = playingState();
    next.meditationNumber = 2;
    m_service->SetState(next);
    QTRY_COMPARE(log.changes.size(), 3);
    QCOMPARE(qdbus_cast<QVariantMap>(log.changes.at(2).value(QStringLiteral("Metadata")))
                 .value(QStringLiteral("mpris:trackid"))
                 .value<QDBusObjectPath>()
                 .path(),
             QStringLiteral("/org/nesvara/Meditation/2"));
    QTest::qWait(50);
    QCOMPARE(log.changes.size(), 3);
}

void TestMprisService::methodsArriveAsCommands_data()
{
    QTest::addColumn<QString>("interface");
    QTest::addColumn<QString>("method");
    QTest::addColumn<TPlaybackStatus>("status");
    QTest::addColumn<QList<TMediaCommand>>("expected");
    using enum TPlaybackStatus;
    using C = TMediaCommand;
    const QString playPause = QStringLiteral("PlayPause");
    QTest::newRow("PlayPause while playing pauses") << kPlayer << playPause << Playing << QList{C::Pause};
    QTest::newRow("PlayPause while paused resumes") << kPlayer << playPause << Paused << QList{C::Play};
    QTest::newRow("PlayPause while stopped starts") << kPlayer << playPause << Stopped << QList{C::Play};
    QTest::newRow("Play") << kPlayer << QStringLiteral("Play") << Paused << QList{C::Play};
    QTest::newRow("Pause") << kPlayer << QStringLiteral("Pause") << Playing << QList{C::Pause};
    QTest::newRow("Stop") << kPlayer << QStringLiteral("Stop") << Playing << QList{C::Stop};
    QTest::newRow("Raise") << kRoot << QStringLiteral("Raise") << Stopped << QList{C::Raise};
    QTest::newRow("Quit") << kRoot << QStringLiteral("Quit") << Paused << QList{C::Quit};
    QTest::newRow("Next does nothing") << kPlayer << QStringLiteral("Next") << Playing << QList<C>{};
    QTest::newRow("Previous does nothing") << kPlayer << QStringLiteral("Previous") << Playing << QList<C>{};
}

void TestMprisService::methodsArriveAsCommands()
{
    QFETCH(QString, interface);
    QFETCH(QString, method);
    QFETCH(TPlaybackStatus, status);
    QFETCH(QList<TMediaCommand>, expected);

    TMediaState state = playingState();
    state.status = status;
    m_service->SetState(state);
    QSignalSpy commands(m_service.get(), &TMprisService::commandRequested);
    const QDBusMessage reply = call(interface, method);
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QTest::qWait(20);
    QCOMPARE(commands.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(commands.at(i).at(0).value<TMediaCommand>(), expected.at(i));
}

void TestMprisService::aCommandThatRunsLongDoesNotHoldTheReply()
{
    // Play starts a whole meditation inside the command's handler; the desktop must have its
    // answer long before that ends.
    QDBusPendingCall pending = m_client.asyncCall(QDBusMessage::createMethodCall(
        QString::fromLatin1(TMprisService::kServiceName), QString::fromLatin1(TMprisService::kObjectPath),
        kPlayer, QStringLiteral("Play")));
    bool answeredWhileRunning = false;
    bool handled = false;
    connect(m_service.get(), &TMprisService::commandRequested, this, [&] {
        handled = true;
        QElapsedTimer running;
        running.start();
        while (!pending.isFinished() && running.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        answeredWhileRunning = pending.isFinished() && !pending.isError();
    });
    QTRY_VERIFY(handled);
    QVERIFY(answeredWhileRunning);
}

void TestMprisService::volumeSetFromTheDesktopIsKeptWithinRange()
{
    QSignalSpy volumes(m_service.get(), &TMprisService::volumeRequested);
    for (double asked : {0.25, 7.0, -1.0}) {
        const QDBusMessage reply = call(kProperties, QStringLiteral("Set"),
                                        {kPlayer, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(asked))});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    }
    QTRY_COMPARE(volumes.size(), 3);
    QCOMPARE(volumes.at(0).at(0).toDouble(), 0.25);
    QCOMPARE(volumes.at(1).at(0).toDouble(), 1.0);
    QCOMPARE(volumes.at(2).at(0).toDouble(), 0.0);
}

void TestMprisService::aSecondCopyOfTheProgramTakesANameOfItsOwn()
{
    TMprisService second;
    QVERIFY(second.Register(m_bus->Connect(QStringLiteral("second program"))));
    QVERIFY(second.ServiceName().startsWith(QString::fromLatin1(TMprisService::kServiceName) + QStringLiteral(".instance")));
    QCOMPARE(m_service->ServiceName(), QString::fromLatin1(TMprisService::kServiceName));
    // The first copy still answers under the plain name.
    QCOMPARE(property(kRoot, QStringLiteral("Identity")).toString(), QStringLiteral("Nesvara"));
}

void TestMprisService::withoutABusNothingIsRegistered()
{
    TMprisService lonely;
    QVERIFY(!lonely.Register(QDBusConnection(QStringLiteral("no such bus"))));
    QVERIFY(lonely.ServiceName().isEmpty());
    lonely.SetState(playingState());
    QCOMPARE(lonely.State(), playingState());
}

QTEST_GUILESS_MAIN(TestMprisService)
#include "tst_mprisservice.moc"
