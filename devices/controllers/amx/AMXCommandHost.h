#pragma once
#include <cstdint>

#include "devices/DeviceEvent.h"

// What the panel-command interpreter needs of the AMX link: its channels and its event ring.
class CAMXCommandHost
{
public:
    // id of the channel with this address, class, kind and port, or -1
    virtual int32_t FindChannelId(uint32_t address, uint8_t channelClass, uint8_t kind, uint16_t port) = 0;
    // id of the class-1 kind-2 channel with this number on this port, created as a local channel when
    // missing (-1 when the cap is reached)
    virtual int32_t FindOrCreateLocalChannel(uint32_t channelNumber, uint16_t port) = 0;
    virtual uint16_t GetDeviceId() const = 0;
    virtual void PostCommandEvent(const CDeviceEvent& event) = 0; // into the device's event ring
protected:
    ~CAMXCommandHost() = default;
};
