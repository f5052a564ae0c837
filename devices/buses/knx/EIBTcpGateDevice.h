#pragma once
#include "devices/buses/knx/AbstractEIBDevice.h"

// KNXnet/IP tunnelling frames over a TCP gateway (DeviceTypeCode 0x54).
class CEIBTcpGateDevice : public CAbstractEIBDevice
{
public:
    ~CEIBTcpGateDevice() override = default;

    bool Configure(DeviceParams* params) override;
    // Ends the tunnel, then closes the TCP link.
    void Disconnect() override;
    // Idle: a link still up or on its way is closed first; a closed one is opened anew.
    bool Update() override;
};
