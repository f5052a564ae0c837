#pragma once
#include "devices/buses/knx/AbstractBAOSTcpDevice.h"

// The object server's 1x protocol (DeviceTypeCode 0x131): one-byte datapoint ids and bare frames.
class CBAOS1xTcpDevice : public CAbstractBAOSTcpDevice
{
public:
    CBAOS1xTcpDevice();
    ~CBAOS1xTcpDevice() override = default;

protected:
    std::unique_ptr<CAbstractBAOSChannel> MakeChannel(uint32_t id, uint8_t valueType, uint8_t reportKind,
                                                      uint8_t direction) const override;
    void BuildRequest(uint8_t service, uint16_t firstId, uint16_t count, uint8_t filter,
                      const CAbstractBAOSChannel* item, const std::vector<uint8_t>& value,
                      std::vector<uint8_t>& out) const override;
};
