#include "devices/controllers/domintell/DomintellTCPDevice.h"

#include "devices/DeviceParams.h"

CDomintellTCPDevice::~CDomintellTCPDevice()
{
    DeleteTransport();
}

bool CDomintellTCPDevice::Configure(DeviceParams* params)
{
    if (!params)
        return false;
    SetLoginText(params->text);
    return OpenTcpTransport(params);
}
