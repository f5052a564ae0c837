#pragma once
#include "devices/controllers/domintell/AbstractDomintellDevice.h"

// The Domintell master over TCP to the record's host and port. Configure keeps the login text.
class CDomintellTCPDevice : public CAbstractDomintellDevice
{
public:
    ~CDomintellTCPDevice() override;
    bool Configure(DeviceParams* params) override;
};
