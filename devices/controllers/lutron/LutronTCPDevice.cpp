#include "devices/controllers/lutron/LutronTCPDevice.h"

#include "devices/DeviceParams.h"

bool CLutronTCPDevice::Configure(DeviceParams* params)
{
    m_loginName = params->text ? params->text : "";
    m_hasPassword = params->password && params->password[0] != 0;
    m_password = m_hasPassword ? params->password : "";
    return OpenTcpTransport(params);
}
