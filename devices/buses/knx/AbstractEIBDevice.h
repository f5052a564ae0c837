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
#include "devices/buses/knx/CemiFrame.h"
#include "devices/buses/knx/EIBChannel.h"
#include "devices/buses/knx/EIBInStream.h"
#include "devices/buses/knx/KnxNetIpFrame.h"

struct KnxGroupAddress
{
    uint8_t main = 0;
    uint8_t middle = 0;
    uint8_t sub = 0;
    bool operator==(const KnxGroupAddress&) const = default;
};

// The KNXnet/IP tunnelling link, over UDP (CEIBUdpDevice) or a TCP gateway (CEIBTcpGateDevice):
// connect, heartbeat, group writes for presses, releases and values, reads of the feedback groups
// at connect, and group telegrams from the bus turned into value events (kind 1).
//
// Threads: Connect, Update, the writes, the heartbeat and the pump run on the tick thread;
// OnReceive and what it calls (connect response, acknowledgements, telegrams) on the transport
// thread. Frames are built locally and sent or queued under the device's send lock; the sequence
// counter is taken under the same lock, so the two threads' frames never interleave.
class CAbstractEIBDevice : public CAbstractDevice
{
public:
    // Device states beyond the base's idle, connecting and online.
    static constexpr uint8_t StateWaitingToReconnect = 3;

    static constexpr uint32_t kDefaultReconnectWait = 120000;
    static constexpr uint32_t kAckTimeout = 1000;
    static constexpr uint32_t kRequestTimeout = 10000;
    static constexpr uint32_t kHeartbeatPeriod = 60000;
    // How long a Disconnect waits for the server's answer, and how long all Disconnects of the
    // run wait together: at exit the devices are disconnected one after the other.
    static constexpr uint32_t kDisconnectWait = 10000;
    static constexpr uint32_t kDisconnectWaitTotal = 10000;

    CAbstractEIBDevice();
    ~CAbstractEIBDevice() override;

    bool Connect() override;
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool Release(uint16_t channel, CNerulanValue* value) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool Update() override;
    void OnTimer() override;
    void OnConnected() override;
    void OnDisconnected() override { StandardOnDisconnected(); }
    void OnReceive(const uint8_t* bytes, uint32_t length) override;
    // Every channel posts its value as kind 1, whatever its report kind.
    bool ReadsReportKind() const override { return false; }

    uint8_t GetChannelId() const { return m_channelId; }
    uint8_t GetQueueState() const { return m_pump->GetState(); }
    size_t GetFeedbackGroupCount() const { return m_feedbackGroups.size(); }

protected:
    // The link's own settings: reconnect wait (0 keeps the default) and pause after an
    // acknowledgement.
    void ConfigureLink(const DeviceParams* params);
    // One frame per receive: a datagram link drops what a datagram leaves unfinished.
    void SetDatagramLink(bool datagrams) { m_datagrams = datagrams; }

    // The shared Disconnect: ends the tunnel when online (waits for the answer, bounded), empties
    // the queue and waits the reconnect wait before the next attempt.
    void DisconnectTunnel();
    void WaitToReconnect();
    // The tick's work while online.
    void PumpQueue();
    void CheckConnectionState();

private:
    bool WriteGroupValue(uint16_t channel, uint8_t action, const CNerulanValue* given);
    bool QueueTunnellingRequest(const CemiFrame& frame);
    void ReadFeedbackGroups();
    CemiFrame GroupFrame(const KnxGroupAddress& group, uint16_t apci) const;
    KnxNetIp::Hpai LocalHpai() const;
    void SendConnectRequest();
    void SendChannelRequest(uint16_t service);
    void SendFrame(const std::vector<uint8_t>& frame);
    // A time for a request that is "pending": 0 means none, so a request at time 0 counts as 1.
    uint32_t PendingStamp() const;

    void HandleFrame(uint16_t service, const uint8_t* body, size_t length);
    void OnConnectResponse(const uint8_t* body, size_t length);
    void OnConnectionStateResponse(const uint8_t* body, size_t length);
    void OnDisconnectRequest(const uint8_t* body, size_t length);
    void OnTunnellingRequest(const uint8_t* body, size_t length);
    void OnTunnellingAck(const uint8_t* body, size_t length);
    void UpdateChannels(const CemiFrame& frame);

    CEIBInStream m_in;
    CChannelList<CEIBChannel> m_channels;
    // Each distinct group address of a channel that takes feedback, in load order.
    std::vector<KnxGroupAddress> m_feedbackGroups;
    CSendQueue m_queue{64};
    std::unique_ptr<CSendPump> m_pump;
    CReportPoster m_poster{*this};

    std::atomic<uint8_t> m_channelId{0};
    // Taken and advanced under the send lock.
    uint8_t m_sequence = 0;
    // The tunnel's individual address: area << 12 | line << 8 | device.
    std::atomic<uint16_t> m_ownAddress{0};
    std::atomic<uint32_t> m_heartbeatTime{0};
    std::atomic<uint32_t> m_pendingRequest{0};
    uint32_t m_knxReconnectWait = kDefaultReconnectWait;
    bool m_datagrams = false;
};
