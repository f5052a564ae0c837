#include "devices/buses/knx/BAOS1xTcpDevice.h"

#include "devices/buses/knx/BAOS1xChannel.h"
#include "devices/buses/knx/BAOS1xInStream.h"

CBAOS1xTcpDevice::CBAOS1xTcpDevice() : CAbstractBAOSTcpDevice(std::make_unique<CBAOS1xInStream>()) {}

std::unique_ptr<CAbstractBAOSChannel>
CBAOS1xTcpDevice::MakeChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction) const
{
    return std::make_unique<CBAOS1xChannel>(id, valueType, reportKind, direction);
}

void CBAOS1xTcpDevice::BuildRequest(uint8_t service, uint16_t firstId, uint16_t count, uint8_t filter,
                                    const CAbstractBAOSChannel* item, const std::vector<uint8_t>& value,
                                    std::vector<uint8_t>& out) const
{
    // 1.x reads carry no filter.
    (void)filter;
    Baos::Begin1x(service, firstId, count, out);
    if (item)
        Baos::AddItem1x(item->m_datapoint, item->m_command, value, out);
}
