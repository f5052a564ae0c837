#pragma once
#include "devices/controllers/custom/CustomDevice.h"

// The custom byte-string device over UDP (device type 0x62).
class CCustomUDPDevice : public CCustomDevice
{
public:
    ~CCustomUDPDevice() override;
    bool Configure(DeviceParams* params) override;
    void Disconnect() override;
};
