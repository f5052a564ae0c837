#pragma once
#include <array>
#include <atomic>
#include <cstdint>

#include "devices/ChannelList.h"
#include "devices/buses/shturman/AbstractShturmanDevice.h"
#include "devices/buses/shturman/ShturmanXXV07Channel.h"
#include "devices/buses/shturman/ShturmanXXV07Codec.h"

// A bus of up to 128 Shturman XXV07 modules of ten one-byte values each. Requests leave from a
// send queue one per 200 ms, whatever the modules answer; the modules that have feedback
// channels are asked for their status whenever no status frame has come for the poll period;
// status frames become channel values, posted when they change.
//
// Threads: presses, values, polls and the pump on the tick thread; OnConnected (with its poll),
// OnDisconnected and OnReceive on the transport thread. Module values are atomics.
class CAbstractShturmanXXV07Device : public CAbstractShturmanDevice
{
public:
    static constexpr uint32_t kPollPeriod = 500;
    static constexpr uint32_t kFrameGap = 200;

    struct Module
    {
        bool used = false;
        bool hasFeedback = false;
        std::array<std::atomic<uint8_t>, CShturmanXXV07Codec::kValues> values{};
    };

    CAbstractShturmanXXV07Device();
    ~CAbstractShturmanXXV07Device() override;

    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;

    int32_t GetPending() const { return m_in.Pending(); }

protected:
    void Poll() override;
    void OnLinkUp() override;
    bool PressOrRelease(uint16_t channel, uint8_t action) override;
    bool QueueCommand(const CShturmanXXV07Channel& channel, uint8_t value);
    // A status frame: the echo of the requests and other bytes that form no status frame never
    // come here, the scanner drops them.
    void OnFrame(const uint8_t* frame, int32_t size) override;
    void ApplyValue(uint8_t module, uint8_t index, uint8_t value);

    CChannelList<CShturmanXXV07Channel> m_channels;
    std::array<Module, CShturmanChannel::kModules> m_modules;
    std::atomic<uint32_t> m_lastStatus{0};
    uint32_t m_pollPeriod = kPollPeriod;
};
