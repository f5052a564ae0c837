#pragma once
#include "devices/buses/helvar/AbstractHelvarNetDevice.h"

// HelvarNet over TCP to the record's host and port.
class CHelvarNetTcpDevice : public CAbstractHelvarNetDevice
{
public:
    CHelvarNetTcpDevice() : CAbstractHelvarNetDevice(false) {}
    ~CHelvarNetTcpDevice() override;
    bool Configure(DeviceParams* params) override;
};
