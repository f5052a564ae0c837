#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "devices/AbstractDevice.h"
#include "devices/ChannelList.h"
#include "devices/ReportPoster.h"
#include "devices/SendPump.h"
#include "devices/SendQueue.h"
#include "devices/buses/shturman/ShturmanXXV07Channel.h"
#include "devices/buses/shturman/ShturmanXXV07Codec.h"

// A bus of up to 128 Shturman XXV07 modules of ten one-byte values each. Requests leave from a
// send queue one per 200 ms, whatever the modules answer; the modules that have feedback
// channels are asked for their status whenever no status frame has come for the poll period;
// status frames become channel values, posted when they change.
//
// Threads: presses, values, polls and the pump on the tick thread; OnConnected (with its poll),
// OnDisconnected and OnReceive on the transport thread. Module values are atomics.
class CAbstractShturmanXXV07Device : public CAbstractDevice
{
public:
    static constexpr int32_t kQueueCapacity = 128;
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

    bool Connect() override;
    void Disconnect() override;
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool Release(uint16_t channel, CNerulanValue* value) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool Hold(uint16_t, uint32_t) override { return false; }
    bool SendBytes(const uint8_t*, uint32_t) override { return false; }
    bool Update() override;
    void OnConnected() override;
    void OnDisconnected() override;
    void OnReceive(const uint8_t* bytes, uint32_t length) override;

    int32_t GetQueueCount() { return m_queue.GetCount(); }
    int32_t GetPending() const { return m_in.Pending(); }

protected:
    void Poll();
    bool QueueCommand(const CShturmanXXV07Channel& channel, uint8_t value);
    bool PressOrRelease(uint16_t channel, uint8_t action);
    void OnStatus(const uint8_t* frame);
    void ApplyValue(uint8_t module, uint8_t index, uint8_t value);

    CChannelList<CShturmanXXV07Channel> m_channels;
    std::array<Module, CShturmanChannel::kModules> m_modules;
    std::atomic<uint32_t> m_lastStatus{0};
    uint32_t m_pollPeriod = kPollPeriod;
    CShturmanXXV07Codec m_codec;
    CFrameScanner m_scanner{m_codec};
    CInStream m_in{CInStream::Grow, 128};
    CSendQueue m_queue{kQueueCapacity};
    CSendPump m_pump;
    CReportPoster m_poster{*this};
};
