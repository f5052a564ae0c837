#include "devices/buses/epsnet/EPSNETUdpDevice.h"

#include "devices/DeviceParams.h"

CEPSNETUdpDevice::~CEPSNETUdpDevice()
{
    DeleteTransport();
}

bool CEPSNETUdpDevice::Configure(DeviceParams* params)
{
    m_station = static_cast<uint8_t>(params->value);
    m_pollPeriod = params->second;
    return OpenUdpTransport(params);
}

void CEPSNETUdpDevice::Disconnect()
{
    m_queue.Clear();
    m_pump.OnLinkLost();
    m_state = StateIdle;
}

void CEPSNETUdpDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    OnDatagram(bytes, length);
}

void CEPSNETUdpDevice::PumpQueue()
{
    m_pump.Pump();
}
