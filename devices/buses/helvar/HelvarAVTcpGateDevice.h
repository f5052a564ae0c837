#pragma once
#include "devices/buses/helvar/AbstractHelvarAVDevice.h"

// A Helvar AV interface behind a TCP gateway that carries its serial bytes: the record's host and
// port, and the poll period (0 turns polling off).
class CHelvarAVTcpGateDevice : public CAbstractHelvarAVDevice
{
public:
    ~CHelvarAVTcpGateDevice() override;
    bool Configure(DeviceParams* params) override;
};
