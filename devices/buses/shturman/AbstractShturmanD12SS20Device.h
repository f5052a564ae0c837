#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "devices/ChannelList.h"
#include "devices/buses/shturman/AbstractShturmanDevice.h"
#include "devices/buses/shturman/ShturmanD12SS20Channel.h"
#include "devices/buses/shturman/ShturmanD12SS20Codec.h"

// A bus of up to 128 Shturman D12SS20 modules. On every connect each module that has channels is
// discovered and asked for its version, which decides the commands it gets; then its states are
// polled every poll period through the send queue, where every request waits for its module's
// answer (at most 2000 ms) and channel commands leave without waiting.
//
// Threads: presses, values, polls and the pump on the tick thread; OnConnected (the discovery),
// OnDisconnected and OnReceive (version queries, answers) on the transport thread. Messages are
// built in local buffers and handed to the queue, which has its own lock; module records are
// atomics.
class CAbstractShturmanD12SS20Device : public CAbstractShturmanDevice
{
public:
    static constexpr uint32_t kAnswerTimeout = 2000;
    static constexpr uint32_t kDefaultPollPeriod = 1000;

    struct Module
    {
        // Named by a channel (set at loading, kept for the whole run).
        bool configured = false;
        // Discovered and its version known on this link: only then polled and commanded.
        std::atomic<bool> used{false};
        std::atomic<uint8_t> type{CShturmanD12SS20Codec::kTypeUnknown};
        bool pollStatus = false;
        bool pollBits = false;
        bool pollValue = false;
        bool pollPair = false;
        bool pollTime = false;
    };

    CAbstractShturmanD12SS20Device();
    ~CAbstractShturmanD12SS20Device() override;

    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;

    bool IsModuleUsed(uint8_t module) const { return m_modules[module & 0x7F].used; }
    uint8_t GetModuleType(uint8_t module) const { return m_modules[module & 0x7F].type; }

protected:
    static int32_t TagOf(uint8_t module, uint8_t request) { return module << 8 | request; }
    // Queues a request (never twice while it waits) or a command (tag 0); false when refused or
    // when the queue is full.
    bool Enqueue(int32_t tag, const std::vector<uint8_t>& frame);
    bool QueueRequest(uint8_t module, uint8_t request);
    bool QueueCommand(const CShturmanD12SS20Channel& channel, uint8_t kind, uint8_t v);
    bool PressOrRelease(uint16_t channel, uint8_t action) override;
    void Poll() override;
    // Every module is discovered again on each link, also one that missed an earlier discovery.
    void OnLinkUp() override;
    void OnFrame(const uint8_t* frame, int32_t size) override;
    void OnReply(uint8_t module, const uint8_t* reply, int32_t count);
    void OnAnswer(uint8_t request, uint8_t module, const uint8_t* reply, int32_t count);
    void ApplyStatus(uint8_t module, uint8_t subIndex, uint8_t value);
    CShturmanD12SS20Channel* FirstOfKind(uint8_t module, uint8_t kind) const;
    void PostTime(uint8_t module, const uint8_t* reply);

    uint32_t m_pollPeriod = kDefaultPollPeriod;
    std::atomic<uint32_t> m_lastPoll{0};
    CChannelList<CShturmanD12SS20Channel> m_channels;
    std::array<Module, CShturmanChannel::kModules> m_modules;
};
