#include "devices/controllers/axico/AxicoTcpGateDevice.h"

CAxicoTcpGateDevice::~CAxicoTcpGateDevice()
{
    CloseLink();
}

bool CAxicoTcpGateDevice::Configure(DeviceParams* params)
{
    return OpenTcpTransport(params);
}

void CAxicoTcpGateDevice::Disconnect()
{
    CloseTransport();
}

void CAxicoTcpGateDevice::OnLinkUp()
{
    m_state = StateOnline;
}

void CAxicoTcpGateDevice::OnMessage(const AxicoMessage& message)
{
    if (message.kind == AxicoMessage::Status)
        ApplyStatus(message);
}
