#pragma once
#include "devices/controllers/domintell/AbstractDomintellDevice.h"

// The Domintell master over UDP to the record's host and port, from a port the system chooses. Configure
// keeps the login text.
class CDomintellUDPDevice : public CAbstractDomintellDevice
{
public:
    ~CDomintellUDPDevice() override;
    bool Configure(DeviceParams* params) override;
};
