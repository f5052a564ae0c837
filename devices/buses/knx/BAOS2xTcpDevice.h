#pragma once
#include "devices/buses/knx/AbstractBAOSTcpDevice.h"

// The object server's 2x protocol (DeviceTypeCode 0x151): 16-bit datapoint ids inside a KNXnet/IP-style
// header.
class CBAOS2xTcpDevice : public CAbstractBAOSTcpDevice
{
public:
    CBAOS2xTcpDevice();
    ~CBAOS2xTcpDevice() override = default;

protected:
    std::unique_ptr<CAbstractBAOSChannel> MakeChannel(uint32_t id, uint8_t valueType, uint8_t reportKind,
                                                      uint8_t direction) const override;
    void BuildRequest(uint8_t service, uint16_t firstId, uint16_t count, uint8_t filter,
                      const CAbstractBAOSChannel* item, const std::vector<uint8_t>& value,
                      std::vector<uint8_t>& out) const override;
};
