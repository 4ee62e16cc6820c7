#include "shell/MprisAdaptors.h"

#include "shell/MprisService.h"

TMprisRootAdaptor::TMprisRootAdaptor(TMprisService *service)
    : QDBusAbstractAdaptor(service), m_service(service)
{
}

void TMprisRootAdaptor::Raise()
{
    m_service->Request(TMediaCommand::Raise);
}

void TMprisRootAdaptor::Quit()
{
    m_service->Request(TMediaCommand::Quit);
}

TMprisPlayerAdaptor::TMprisPlayerAdaptor(TMprisService *service)
    : QDBusAbstractAdaptor(service), m_service(service)
{
}

QString TMprisPlayerAdaptor::PlaybackStatus() const
{
    return m_service->PlaybackStatusText();
}

QVariantMap TMprisPlayerAdaptor::Metadata() const
{
    return m_service->Metadata();
}

double TMprisPlayerAdaptor::Volume() const
{
    return m_service->State().volume;
}

void TMprisPlayerAdaptor::SetVolume(double volume)
{
    m_service->RequestVolume(volume);
}

qlonglong TMprisPlayerAdaptor::Position() const
{
    return m_service->PositionUs();
}

void TMprisPlayerAdaptor::Pause()
{
    m_service->Request(TMediaCommand::Pause);
}

void TMprisPlayerAdaptor::PlayPause()
{
    m_service->RequestPlayPause();
}

void TMprisPlayerAdaptor::Stop()
{
    m_service->Request(TMediaCommand::Stop);
}

void TMprisPlayerAdaptor::Play()
{
    m_service->Request(TMediaCommand::Play);
}
