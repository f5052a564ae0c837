#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "common/InStream.h"
#include "devices/AbstractDevice.h"
#include "devices/ChannelList.h"
#include "devices/OutStream.h"
#include "devices/ReportPoster.h"
#include "devices/buses/helvar/HelvarNetChannel.h"
#include "devices/buses/helvar/HelvarNetCodec.h"
#include "devices/buses/helvar/HelvarNetReplyReader.h"

// Helvar lighting routers through HelvarNet: scene, level and proportion commands to groups and
// devices, periodic queries of device states (110) and load levels (152), and the replies that
// become channel values. No queue: a message goes out at once while online, or not at all.
//
// Threads: commands and queries are built on the tick thread under the send lock; replies are
// read and applied on the transport thread. The link classes choose the transport and whether the
// messages carry the internal link's "<Q:sequence," prefix.
class CAbstractHelvarNetDevice : public CAbstractDevice
{
public:
    static constexpr int32_t kStreamSize = 128;

    // One periodic query: its command, device address and period, and when it was last sent.
    struct PollEntry
    {
        uint8_t command = 0;
        uint8_t address[4] = {};
        uint32_t period = 0;
        uint32_t lastSent = 0;
        bool sent = false;
    };

    explicit CAbstractHelvarNetDevice(bool internal);
    ~CAbstractHelvarNetDevice() override;

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

    const std::vector<PollEntry>& GetPollEntries() const { return m_polls; }
    uint32_t GetSequence() const { return m_sequence.load(); }

protected:
    // Whether the datagram being delivered is one this device sent itself (the internal link
    // hears its own broadcasts); never for the other links.
    virtual bool IsOwnDatagram() const { return false; }

private:
    void PressOrRelease(uint16_t channel, uint8_t action, CNerulanValue* value);
    void Send(const HelvarNetTarget& target, bool query);
    void SendQueries();
    void ApplyReply(const HelvarNetReply& reply);
    void Apply(CHelvarNetChannel& channel, int32_t value);

    bool m_internal;
    CChannelList<CHelvarNetChannel> m_channels;
    std::vector<PollEntry> m_polls;
    CInStream m_in{CInStream::Refuse, 2 * CHelvarNetCodec::kMaxReply + 2};
    CHelvarNetReplyReader m_replies;
    COutStream m_out{kStreamSize};
    CReportPoster m_poster{*this};
    std::atomic<uint32_t> m_sequence{0};
};
