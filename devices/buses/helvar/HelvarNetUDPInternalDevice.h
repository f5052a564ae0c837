#pragma once
#include "devices/buses/helvar/AbstractHelvarNetDevice.h"

// The routers' internal HelvarNet link over UDP: messages behind "<Q:sequence,", replies starting
// with '<'. The socket listens on the routers' port itself (shared with other programs on this
// machine) and sends to the record's host, or to everyone on the segment when the record has
// none; the datagrams it hears from its own address and port are its own and are not read.
class CHelvarNetUDPInternalDevice : public CAbstractHelvarNetDevice
{
public:
    CHelvarNetUDPInternalDevice() : CAbstractHelvarNetDevice(true) {}
    ~CHelvarNetUDPInternalDevice() override;
    bool Configure(DeviceParams* params) override;

protected:
    bool IsOwnDatagram() const override;
};
