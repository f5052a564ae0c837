#pragma once
#include <array>
#include <atomic>
#include <cstdint>

#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "devices/AbstractDevice.h"
#include "devices/ChannelList.h"
#include "devices/OutStream.h"
#include "devices/ReportPoster.h"
#include "devices/SendPump.h"
#include "devices/SendQueue.h"
#include "devices/buses/helvar/HelvarAVChannel.h"
#include "devices/buses/helvar/HelvarAVCodec.h"

// DALI lighting through a Helvar AV interface: the probe on connect, one message at a time from
// the send queue, each waiting for its answer (dropped after 6000 ms with every byte received so
// far), and a periodic query of the actual level of every short address with a feedback channel.
//
// Queue tags: 0 for a command; kQueryTag plus the short address for a level query, so that a level
// answer is applied only to the address whose query is at the head, and a query waits in the
// queue at most once. Answers are taken only while the head waits for one.
//
// Threads: commands, polls and the pump run on the tick thread; answers are read on the transport
// thread. The link classes choose the transport and keep the poll period.
class CAbstractHelvarAVDevice : public CAbstractDevice
{
public:
    static constexpr int32_t kStreamSize = 128;
    static constexpr int32_t kQueueSize = 64;
    static constexpr uint32_t kAnswerTimeout = 6000;
    static constexpr uint32_t kDefaultPollPeriod = 500;
    // DALI's short addresses: 0 to 63.
    static constexpr uint32_t kShortAddresses = 64;
    static constexpr int32_t kQueryTag = 0x100;

    CAbstractHelvarAVDevice();
    ~CAbstractHelvarAVDevice() override;

    bool Connect() override { return StandardConnect(); }
    void Disconnect() override { CloseTransport(); }
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

    bool IsPolled(uint32_t shortAddress) const
    {
        return shortAddress < kShortAddresses && m_pollFlags[shortAddress];
    }
    uint32_t GetPollPeriod() const { return m_pollPeriod; }
    uint8_t GetQueueState() const { return m_pump.GetState(); }
    int32_t GetQueueCount();

protected:
    uint32_t m_pollPeriod = kDefaultPollPeriod;

private:
    void PressOrRelease(uint16_t channel, uint8_t action, CNerulanValue* value);
    void QueueCommand(const CHelvarAVChannel& channel, int32_t value);
    void Poll();
    void OnAnswer(const HelvarAVAnswer& answer);
    void ApplyLevel(uint8_t shortAddress, uint8_t level);

    CChannelList<CHelvarAVChannel> m_channels;
    CInStream m_in{CInStream::Refuse, kStreamSize};
    CHelvarAVCodec m_codec;
    CFrameScanner m_scanner{m_codec};
    COutStream m_out{kStreamSize};
    CSendQueue m_queue{kQueueSize};
    CSendPump m_pump;
    CReportPoster m_poster{*this};
    std::array<bool, kShortAddresses> m_pollFlags{};
    uint32_t m_lastPoll = 0;
    // Set by the pump when a message is dropped: the transport thread empties its stream before
    // it reads again (the stream is only ever touched by that thread).
    std::atomic<bool> m_dropReceived{false};
};
