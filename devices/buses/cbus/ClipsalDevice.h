#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "common/InStream.h"
#include "common/NerulanCriticalSection.h"
#include "devices/AbstractDevice.h"
#include "devices/ChannelList.h"
#include "devices/ReportPoster.h"
#include "devices/buses/cbus/ClipsalChannel.h"
#include "devices/buses/cbus/ClipsalHvacZone.h"
#include "devices/buses/cbus/ClipsalItemReader.h"
#include "devices/buses/cbus/ClipsalPacket.h"
#include "devices/buses/cbus/ClipsalSalDecoder.h"

// The C-Bus serial PC interface behind a serial-to-TCP gateway. Commands go out at once as hex
// packets (nothing is queued or waited for); what the interface reports from the bus and the
// level status replies become value events (kind 1) of the channels. After a lighting press the
// group's block is asked for its levels, at most once per 3 s.
//
// Threads: presses, values and Update on the tick thread; OnReceive on the transport's. Packets
// are built and sent under the send lock; the level and zone records under their own lock.
class CClipsalDevice : public CAbstractDevice, private CClipsalSalHandler
{
public:
    static constexpr uint32_t kStatusSpacing = 3000;

    CClipsalDevice() = default;
    ~CClipsalDevice() override;

    bool Connect() override { return DirectConnect(); }
    void Disconnect() override { CloseTransport(); }
    bool Configure(DeviceParams* params) override { return OpenTcpTransport(params); }
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool SendBytes(const uint8_t* bytes, uint32_t length) override;
    bool Update() override;
    void OnConnected() override { StandardOnConnected(); }
    void OnDisconnected() override { StandardOnDisconnected(); }
    void OnReceive(const uint8_t* bytes, uint32_t length) override;
    // Every value goes as kind 1, whatever the channel's report kind.
    bool ReadsReportKind() const override { return false; }

    // The level kept for an application's group (0 when there is no record).
    uint8_t StoredLevel(uint8_t application, uint8_t group);

private:
    struct ApplicationStatus
    {
        uint8_t application = 0;
        uint8_t levels[256] = {};
    };

    void SendInit();
    // Builds the channel's command with the given data (at least two bytes; `dataLength` of them
    // go with an application-data command) and sends it; false when nothing went.
    bool SendCommand(const CClipsalChannel& channel, const uint8_t* data, uint8_t dataLength);
    bool SendStatusRequest(const CClipsalChannel& channel, uint8_t block);
    bool SendPacket();
    void FollowUpStatus(const CClipsalChannel& channel);
    void RequestAllStatus();
    ApplicationStatus* FindStatus(uint8_t application);
    ClipsalHvacZone& TakeZone(uint8_t group);
    void UpdateHvacChannels(const ClipsalHvacZone& zone);
    static bool PathMatches(const CClipsalChannel& channel, const Source& source);

    void OnLevel(const Source& source, uint8_t application, uint8_t command, uint8_t group,
                 uint8_t level) override;
    void OnStoreLevel(uint8_t application, uint8_t group, uint8_t level) override;
    void OnLevelUnavailable(const Source& source, uint8_t application, uint8_t block) override;
    void OnHvac(const Source& source, const uint8_t* command, size_t length) override;
    void OnMeasurement(const Source& source, uint8_t application, uint8_t data0, bool withSecond,
                       uint8_t data1, double value) override;

    CClipsalPacket m_packet;
    CInStream m_in{CInStream::Refuse, 2048};
    CClipsalItemReader m_reader;
    CClipsalSalDecoder m_decoder{*this};
    CChannelList<CClipsalChannel> m_channels;
    CReportPoster m_poster{*this};

    CNerulanCriticalSection m_recordLock;
    std::vector<ApplicationStatus> m_status;
    std::vector<ClipsalHvacZone> m_zones;

    std::atomic<uint32_t> m_lastStatusRequest{0};
    std::atomic<bool> m_statusSent{false};
    std::atomic<bool> m_statusPending{false};
    std::atomic<bool> m_setupPending{true};
    std::atomic<const CClipsalChannel*> m_pendingChannel{nullptr};
};
