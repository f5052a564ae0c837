#pragma once
// A stand-in for the AMX device as the command interpreter sees it: a fixed set of channels, local
// channels made on demand up to a cap, and a record of every event posted. The events' payloads
// are freed with the host, as the device's ring would free them.
#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

#include "devices/DeviceEvent.h"
#include "devices/controllers/amx/AMXCommandHost.h"

class CRecordingCommandHost final : public CAMXCommandHost
{
public:
    static constexpr uint16_t kDeviceId = 0x0102;
    static constexpr int32_t kFirstLocalId = 0x8000;

    ~CRecordingCommandHost() { Clear(); }

    // Forgets the events posted so far, freeing what they own.
    void Clear()
    {
        for (CDeviceEvent& event : events)
            event.FreePayloads();
        events.clear();
    }

    void AddChannel(int32_t id, uint16_t address, uint8_t channelClass, uint8_t kind, uint16_t port)
    {
        m_channels[std::make_tuple(address, channelClass, kind, port)] = id;
        ++m_count;
    }
    void SetLocalCap(int32_t cap) { m_localCap = cap; }

    int32_t FindChannelId(uint32_t address, uint8_t channelClass, uint8_t kind, uint16_t port) override
    {
        auto found = m_channels.find(std::make_tuple(address, channelClass, kind, port));
        return found == m_channels.end() ? -1 : found->second;
    }
    int32_t FindOrCreateLocalChannel(uint32_t channelNumber, uint16_t port) override
    {
        int32_t id = FindChannelId(channelNumber, 1, 2, port);
        if (id >= 0)
            return id;
        if (created >= m_localCap)
            return -1;
        id = m_count | kFirstLocalId;
        AddChannel(id, channelNumber, 1, 2, port);
        ++created;
        return id;
    }
    uint16_t GetDeviceId() const override { return kDeviceId; }
    void PostCommandEvent(const CDeviceEvent& event) override { events.push_back(event); }

    std::vector<CDeviceEvent> events;
    int32_t created = 0;

private:
    std::map<std::tuple<uint16_t, uint8_t, uint8_t, uint16_t>, int32_t> m_channels;
    int32_t m_count = 0;
    int32_t m_localCap = 16;
};
