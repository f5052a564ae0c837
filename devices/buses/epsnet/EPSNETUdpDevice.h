#pragma once
#include "devices/buses/epsnet/AbstractEPSNETDevice.h"

// EPSNET over UDP: each message is one datagram. Messages leave one per 26 ms at most, without
// waiting for any answer.
class CEPSNETUdpDevice : public CAbstractEPSNETDevice
{
public:
    ~CEPSNETUdpDevice() override;
    // The station address (low 8 bits of value) and the poll period (second); the socket sends to
    // the host and port.
    bool Configure(DeviceParams* params) override;
    // Empties the queue and goes idle; the socket stays open.
    void Disconnect() override;
    void OnReceive(const uint8_t* bytes, uint32_t length) override;
    void PumpQueue() override;
};
