#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "devices/controllers/custom/CustomChannel.h"
#include "devices/controllers/http/HTTPDevice.h"

// The custom HTTP device (device type 0xE1): the project author's channels name the paths it
// requests. Kind 1: Press requests the channel's bytes as the path; kind 2: Release does; kind 4:
// the bytes are a path pattern ("/level?v=%d", see CHttpValueFormat) that SetValue fills and
// Release requests; kind 3: the device reads whole answers (and ignores them) instead of ending a
// request at its first bytes. Each request is queued repeat-count times. It posts no events.
class CCustomHTTPDevice : public CHTTPDevice
{
public:
    ~CCustomHTTPDevice() override;

    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool Release(uint16_t channel, CNerulanValue* value) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool Update() override;

    // The first channel with this id and kind; null when there is none.
    CCustomChannel* FindChannel(uint32_t id, uint8_t kind) const;
    int32_t GetChannelCount() const { return static_cast<int32_t>(m_channels.size()); }

private:
    // Queues a request for the path repeat-count times; false when it cannot be built.
    bool QueueRepeated(const char* path, uint32_t length, uint8_t repeat);

    std::vector<std::unique_ptr<CCustomChannel>> m_channels;
    bool m_updated = false;
};
