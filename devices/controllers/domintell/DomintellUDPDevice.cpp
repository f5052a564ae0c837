#include "devices/controllers/domintell/DomintellUDPDevice.h"

#include "devices/DeviceParams.h"

CDomintellUDPDevice::~CDomintellUDPDevice()
{
    DeleteTransport();
}

bool CDomintellUDPDevice::Configure(DeviceParams* params)
{
    if (!params)
        return false;
    SetLoginText(params->text);
    return OpenUdpTransport(params, 0);
}
