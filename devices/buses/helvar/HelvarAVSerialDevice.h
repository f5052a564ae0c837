#pragma once
#include "devices/buses/helvar/AbstractHelvarAVDevice.h"

// A Helvar AV interface on a serial line: the record's COM port, baud rate, data bits and parity,
// and the poll period (its fourth value; 0 turns polling off).
class CHelvarAVSerialDevice : public CAbstractHelvarAVDevice
{
public:
    ~CHelvarAVSerialDevice() override;
    bool Configure(DeviceParams* params) override;
};
