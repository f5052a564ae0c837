#include "devices/buses/knx/EIBUdpDevice.h"

bool CEIBUdpDevice::Configure(DeviceParams* params)
{
    ConfigureLink(params);
    return OpenUdpTransport(params, 0);
}
