#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "devices/AbstractDevice.h"
#include "devices/ChannelList.h"
#include "devices/OutStream.h"
#include "devices/ReportPoster.h"
#include "devices/controllers/crestron/CrestronChannel.h"
#include "devices/controllers/crestron/CrestronCodec.h"

struct CrestronJoin;

// The panel as a numbered client (its IP id) of a Crestron control processor over TCP. The
// processor asks for the connect request, answers with a handle that names the panel in every
// later packet, and from then on both sides exchange digital, analog and serial joins; a
// heartbeat every 3 s keeps the link alive.
//
// Threads: presses, values and the heartbeat are sent from the tick thread; the connect and
// update requests and the disconnects caused by received packets from the transport thread.
// Both build in the one output stream under the send lock.
class CCrestronDevice : public CAbstractDevice
{
public:
    static constexpr uint32_t kHeartbeatPeriod = 3000;

    CCrestronDevice();
    ~CCrestronDevice() override;

    bool Connect() override;
    void Disconnect() override;
    // IP id from the record's value; a TCP transport to its host and port.
    bool Configure(DeviceParams* params) override;
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool Release(uint16_t channel, CNerulanValue* value) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool Hold(uint16_t, uint32_t) override { return false; }
    bool SendBytes(const uint8_t*, uint32_t) override { return false; }
    bool Update() override;
    // The device goes online only when the processor accepts the connect request; a new link
    // starts with nothing of the old one's bytes.
    void OnConnected() override { m_in.Reset(); }
    void OnDisconnected() override;
    void OnReceive(const uint8_t* bytes, uint32_t length) override;
    // Feedback goes by join kind, never by the channels' report kinds.
    bool ReadsReportKind() const override { return false; }

    uint16_t GetHandle() const { return m_handle.load(); }
    uint16_t GetIpId() const { return m_ipId; }

private:
    void OnPacket(uint8_t type, const uint8_t* payload, int32_t length);
    void OnJoinData(const uint8_t* payload, int32_t length);
    void PostJoinChange(const CrestronJoin& join);
    void SendHeartbeat();
    bool SendPacket(const std::vector<uint8_t>& packet);

    CCrestronCodec m_codec;
    CFrameScanner m_scanner{m_codec};
    CInStream m_in{CInStream::Grow, 1024};
    COutStream m_out{512};
    CChannelList<CCrestronChannel> m_channels;
    CReportPoster m_poster{*this};
    uint16_t m_ipId = 0;
    std::atomic<uint32_t> m_lastHeartbeat{0};
    std::atomic<uint16_t> m_handle{0};
};
