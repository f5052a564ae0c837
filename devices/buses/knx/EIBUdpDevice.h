#pragma once
#include "devices/buses/knx/AbstractEIBDevice.h"

// KNXnet/IP tunnelling over UDP (DeviceTypeCode 0x52).
class CEIBUdpDevice : public CAbstractEIBDevice
{
public:
    CEIBUdpDevice() { SetDatagramLink(true); }
    ~CEIBUdpDevice() override = default;

    // Host, port, reconnect wait and pause after acknowledgement; a UDP transport on a local port
    // the system picks. The result is the transport's Open.
    bool Configure(DeviceParams* params) override;
    // Ends the tunnel; the socket stays open for the next one.
    void Disconnect() override { DisconnectTunnel(); }
};
