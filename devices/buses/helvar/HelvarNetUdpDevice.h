#pragma once
#include "devices/buses/helvar/AbstractHelvarNetDevice.h"

// HelvarNet over UDP to the record's host and port, from a port the system chooses.
class CHelvarNetUdpDevice : public CAbstractHelvarNetDevice
{
public:
    CHelvarNetUdpDevice() : CAbstractHelvarNetDevice(false) {}
    ~CHelvarNetUdpDevice() override;
    bool Configure(DeviceParams* params) override;
};
