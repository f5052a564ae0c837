#include "devices/controllers/axico/AxicoSerialDevice.h"

CAxicoSerialDevice::~CAxicoSerialDevice()
{
    CloseLink();
}

bool CAxicoSerialDevice::Configure(DeviceParams* params)
{
    return OpenSerialTransport(params);
}

void CAxicoSerialDevice::Disconnect()
{
    BeginClose();
}

void CAxicoSerialDevice::OnLinkUp()
{
    // Connecting until the interface says it is ready.
    SendText(CAxicoCodec::kConnect);
}

void CAxicoSerialDevice::OnMessage(const AxicoMessage& message)
{
    switch (message.kind)
    {
    case AxicoMessage::Greeting:
        SendText(CAxicoCodec::kGreetingAnswer);
        break;
    case AxicoMessage::ModeRequest:
        SendText(CAxicoCodec::kModeAnswer);
        break;
    case AxicoMessage::Ready:
    case AxicoMessage::ExtendedStatus:
        m_state = StateOnline;
        break;
    case AxicoMessage::Status:
        m_state = StateOnline;
        ApplyStatus(message);
        break;
    default:
        break;
    }
}
