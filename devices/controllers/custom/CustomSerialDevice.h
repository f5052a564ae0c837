#pragma once
#include "devices/controllers/custom/CustomDevice.h"

// The custom byte-string device over Serial (device type 0x63).
class CCustomSerialDevice : public CCustomDevice
{
public:
    ~CCustomSerialDevice() override;
    bool Configure(DeviceParams* params) override;
    void Disconnect() override;
};
