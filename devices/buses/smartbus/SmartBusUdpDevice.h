#pragma once
#include "devices/buses/smartbus/AbstractSmartBusDevice.h"

// SmartBus over UDP broadcast: frames go to 255.255.255.255 on the given port, from that same
// local port, each behind the panel's IPv4 address and "HDLMIRACLE".
class CSmartBusUdpDevice : public CAbstractSmartBusDevice
{
public:
    ~CSmartBusUdpDevice() override;
    bool Configure(DeviceParams* params) override;

protected:
    bool WritePrefix(std::vector<uint8_t>& out) override;

private:
    uint16_t m_port = 0;
};
