#include "devices/buses/knx/BAOS2xTcpDevice.h"

#include "devices/buses/knx/BAOS2xChannel.h"
#include "devices/buses/knx/BAOS2xInStream.h"

CBAOS2xTcpDevice::CBAOS2xTcpDevice() : CAbstractBAOSTcpDevice(std::make_unique<CBAOS2xInStream>()) {}

std::unique_ptr<CAbstractBAOSChannel>
CBAOS2xTcpDevice::MakeChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction) const
{
    return std::make_unique<CBAOS2xChannel>(id, valueType, reportKind, direction);
}

void CBAOS2xTcpDevice::BuildRequest(uint8_t service, uint16_t firstId, uint16_t count, uint8_t filter,
                                    const CAbstractBAOSChannel* item, const std::vector<uint8_t>& value,
                                    std::vector<uint8_t>& out) const
{
    Baos::Begin2x(service, firstId, count, filter, out);
    if (item)
        Baos::AddItem2x(item->m_datapoint, item->m_command, value, out);
    Baos::Finish2x(out);
}
