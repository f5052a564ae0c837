#pragma once
#include <cstdint>
#include <vector>

#include "common/InStream.h"
#include "devices/AbstractDevice.h"
#include "devices/ChannelList.h"
#include "devices/SendPump.h"
#include "devices/SendQueue.h"
#include "devices/buses/smartbus/SmartBusChannel.h"
#include "devices/buses/smartbus/SmartBusCodec.h"
#include "devices/buses/smartbus/SmartBusReply.h"

// A SmartBus installation (UDP broadcast, a serial line, or a TCP serial gateway): the panel is
// bus member 253/254. Channel commands wait in the send queue for the module's answer and go again
// after 500 ms without one, four times in all; status and reply frames on the bus become item
// values and texts (an event for every frame, changed or not).
//
// Threads: presses, values, the periodic pass and the pump run on the tick thread; receiving,
// the reports and the releases on the transport thread. Frames are finished when queued, so
// nothing is shared while building them; the pump sends copies through the send lock.
class CAbstractSmartBusDevice : public CAbstractDevice
{
public:
    static constexpr int32_t kQueueCapacity = 128;
    static SendPumpRules Rules();

    CAbstractSmartBusDevice();
    ~CAbstractSmartBusDevice() override;

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
    // Every report goes out as a value (kind 1) or a text (kind 4), whatever the channel's kind.
    bool ReadsReportKind() const override { return false; }

    // For inspection (any thread).
    int32_t QueuedFrames() { return m_queue.GetCount(); }
    uint8_t QueueState() const { return m_pump.GetState(); }
    uint8_t ResendCount() const { return m_pump.GetResendCount(); }

protected:
    // What goes before every frame on this link (the UDP prefix); false when the frame cannot be
    // sent at all.
    virtual bool WritePrefix(std::vector<uint8_t>& out)
    {
        (void)out;
        return true;
    }
    // Queues the channel's command with this value, as many copies as its repeat count.
    void SendChannel(const CSmartBusChannel& channel, float value);

private:
    bool SendByAction(uint16_t channel, CNerulanValue* value, uint8_t action);
    void PeriodicPass();
    void OnFrame(const SmartBusFrame& frame);
    void UpdateChannels(const SmartBusUpdate& update);
    void PostValue(uint32_t channel, float value);
    void PostText(uint32_t channel, const SmartBusUpdate& update);
    const CSmartBusChannel* FindChannel(uint8_t kind, uint8_t subnet, uint8_t device, uint8_t number) const;

    CChannelList<CSmartBusChannel> m_channels;
    CSendQueue m_queue{kQueueCapacity};
    CSendPump m_pump{*this, m_queue, Rules()};
    CInStream m_in{CInStream::Grow, 1024};
    CSmartBusFrameCodec m_codec;
    CFrameScanner m_scanner{m_codec};
};
