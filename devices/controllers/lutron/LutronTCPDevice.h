#pragma once
#include "devices/controllers/lutron/AbstractLutronDevice.h"

// The Lutron integration interface over TCP. Configure takes the login name (and a password
// when the record has one) and opens the link to the record's host and port.
class CLutronTCPDevice : public CAbstractLutronDevice
{
public:
    bool Configure(DeviceParams* params) override;
};
