#pragma once
#include "devices/controllers/custom/CustomDevice.h"

// The custom byte-string device over TCP (device type 0x61).
class CCustomTCPDevice : public CCustomDevice
{
public:
    ~CCustomTCPDevice() override;
    bool Configure(DeviceParams* params) override;
    void Disconnect() override;
};
