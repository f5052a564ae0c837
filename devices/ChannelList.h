#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "devices/AbstractChannel.h"

// A driver's channels, owned, in load order, found by the channel number items address them by.
//
// Use in a driver:
//
//     CChannelList<CMyChannel> m_channels;                    // member
//
//     bool CMyDevice::AddChannel(uint32_t id, uint8_t type, uint8_t kind, uint8_t dir,
//                                uint32_t length, const uint8_t* blob)
//     {
//         return m_channels.AddLoaded(id, type, kind, dir, length, blob) != nullptr;
//     }
//
//     bool CMyDevice::Press(uint16_t channel, CNerulanValue*)
//     {
//         CMyChannel* c = m_channels.Find(channel);
//         if (!c || !c->IsSentBy(ActionPress)) return false;
//         ...
//     }
//
//     for (auto& c : m_channels) ...                           // every channel, in load order
//
// The list is filled on the loading thread before the device connects and is not changed after,
// so both threads read it without a lock.
template <class Channel> class CChannelList
{
public:
    // Constructs the channel with the record's four fields, lets it read its blob and appends it.
    Channel* AddLoaded(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction, uint32_t length,
                       const uint8_t* blob)
    {
        auto channel = std::make_unique<Channel>(id, valueType, reportKind, direction);
        channel->Load(blob, length);
        return Add(std::move(channel));
    }
    Channel* Add(std::unique_ptr<Channel> channel)
    {
        m_channels.push_back(std::move(channel));
        return m_channels.back().get();
    }

    // The first channel, in load order, whose id's low 16 bits are the channel number; null when
    // there is none.
    Channel* Find(uint16_t channel) const
    {
        for (const auto& c : m_channels)
        {
            if (c->GetAddressChannel() == channel)
                return c.get();
        }
        return nullptr;
    }

    size_t Size() const { return m_channels.size(); }
    bool Empty() const { return m_channels.empty(); }
    Channel* At(size_t index) const { return index < m_channels.size() ? m_channels[index].get() : nullptr; }
    auto begin() const { return m_channels.begin(); }
    auto end() const { return m_channels.end(); }

private:
    std::vector<std::unique_ptr<Channel>> m_channels;
};
