#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "devices/AbstractDevice.h"
#include "devices/ChannelList.h"
#include "devices/ReportPoster.h"
#include "devices/SendPump.h"
#include "devices/SendQueue.h"
#include "devices/buses/epsnet/EPSNETChannel.h"
#include "devices/buses/epsnet/EpsnetReadPlan.h"

// A controller station's memory through EPSNET: the station is connected with a connect frame,
// then every read block (built from the channels at the end of loading) is requested each poll
// period and its reply decoded into the channels; presses and values become byte or bit writes.
// Every request goes through the send queue; the link class pumps it.
//
// Threads: presses, values, polls and the pump on the tick thread; the connect frame (from
// OnConnected) and the replies on the transport thread. Sequence numbers are taken under the send
// lock; a block's pending sequence and time are atomics shared by both threads.
class CAbstractEPSNETDevice : public CAbstractDevice
{
public:
    static constexpr int32_t kQueueCapacity = 128;
    static constexpr uint32_t kReadTimeout = 1000;
    static constexpr uint32_t kSendGap = 26;

    struct ReadBlock
    {
        EpsnetBlockRange range;
        // The wire sequence value of the request outstanding for the block; 0 for none.
        std::atomic<uint16_t> pending{0};
        std::atomic<uint32_t> queuedAt{0};
    };

    CAbstractEPSNETDevice();
    ~CAbstractEPSNETDevice() override;

    bool Connect() override;
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool Release(uint16_t channel, CNerulanValue* value) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool Hold(uint16_t, uint32_t) override { return false; }
    bool SendBytes(const uint8_t*, uint32_t) override { return false; }
    bool Update() override;
    void EndChannels() override;
    void OnConnected() override;
    void OnDisconnected() override;
    // Values are posted as item values whatever the channel's report kind.
    bool ReadsReportKind() const override { return false; }

    // Sends the head of the queue when the link's rule allows.
    virtual void PumpQueue() = 0;

    // For inspection.
    size_t GetBlockCount() const { return m_blocks.size(); }
    EpsnetBlockRange GetBlock(size_t index) const { return m_blocks.at(index)->range; }
    uint16_t GetSequence() const { return m_sequence; }
    int32_t GetQueueCount() { return m_queue.GetCount(); }

protected:
    // The next sequence number as its wire value (1 to 4095, wrapping).
    uint16_t TakeSequence();
    void SendConnect();
    void Poll();
    bool WriteChannel(const CEPSNETChannel& channel, uint64_t raw);
    // A read reply: the block whose request carried `sequence` takes the data when the lengths agree.
    void OnDataReply(uint16_t sequence, const uint8_t* data, size_t count);
    // The frames of one datagram.
    void OnDatagram(const uint8_t* bytes, uint32_t length);
    bool Write(CEPSNETChannel* channel, uint8_t action, CNerulanValue* value);

    uint8_t m_station = 0;
    uint32_t m_pollPeriod = 0;
    CChannelList<CEPSNETChannel> m_channels;
    std::vector<std::unique_ptr<ReadBlock>> m_blocks;
    uint16_t m_sequence = 0;
    CSendQueue m_queue{kQueueCapacity};
    CSendPump m_pump;
    CReportPoster m_poster{*this};
};
