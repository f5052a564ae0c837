#pragma once
#include "devices/controllers/axico/AbstractAxicoDevice.h"

// The Axico interface through a TCP gateway that carries the same bytes (device type 0x14):
// online as soon as the link is up; only status frames are taken, the handshake texts are not
// answered.
class CAxicoTcpGateDevice : public CAbstractAxicoDevice
{
public:
    ~CAxicoTcpGateDevice() override;
    bool Configure(DeviceParams* params) override;
    void Disconnect() override;

protected:
    void OnMessage(const AxicoMessage& message) override;
    void OnLinkUp() override;
};
