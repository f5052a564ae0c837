#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "common/InStream.h"
#include "common/NerulanCriticalSection.h"
#include "devices/AbstractDevice.h"
#include "devices/ChannelList.h"
#include "devices/ReportPoster.h"
#include "devices/buses/cbus/ClipsalGateChannel.h"
#include "devices/buses/cbus/ClipsalGateLineReader.h"
#include "devices/buses/cbus/ClipsalGateText.h"
#include "devices/buses/cbus/ClipsalHvacZone.h"

// The C-Bus gateway server's text dialogue over TCP. On the server's greeting the driver loads
// and starts the project, lists, opens and synchronises its networks and asks for the tree; once
// a network reports ok (the ready phase) presses go out as command lines. Status event lines
// ("#s# ...") become value events (kind 1) and the levels toggles read. Values go in any phase.
//
// Threads: presses, values and Update on the tick thread; OnReceive on the transport's. Lines are
// sent under the send lock; the level, network and zone records under their own lock.
class CClipsalGateDevice : public CAbstractDevice
{
public:
    enum Phase : uint8_t
    {
        PhaseLoaded = 0,
        PhaseStarted = 1,
        PhaseListed = 2,
        PhaseOpened = 4,
        PhaseSyncRequested = 5,
        PhaseSyncStarted = 6,
        PhaseTreeRequested = 7,
        PhaseNoNetwork = 8,
        PhaseReady = 9,
    };
    // How often the tree is asked again while no network is ready.
    static constexpr uint32_t kTreeRepeat = 3000;
    // The most level records kept (one per network and application).
    static constexpr size_t kMaxRecords = 256;

    CClipsalGateDevice() = default;
    ~CClipsalGateDevice() override;

    bool Connect() override { return DirectConnect(); }
    void Disconnect() override { CloseTransport(); }
    bool Configure(DeviceParams* params) override;
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool SendBytes(const uint8_t* bytes, uint32_t length) override;
    bool Update() override;
    void OnConnected() override { StandardOnConnected(); }
    void OnDisconnected() override { StandardOnDisconnected(); }
    void OnReceive(const uint8_t* bytes, uint32_t length) override;
    bool ReadsReportKind() const override { return false; }

    uint8_t GetPhase() const { return m_phase.load(); }
    // The level kept for a group of a network and application (0 when there is no record).
    uint8_t StoredLevel(uint8_t network, uint8_t application, uint8_t group);

private:
    struct LevelRecord
    {
        uint8_t network = 0;
        uint8_t application = 0;
        uint8_t levels[256] = {};
    };

    void SendText(const std::string& text);
    void OnCodeReply(const ClipsalGateLine& line);
    void OnNetworkLine(const std::string& text);
    void OnEvent(const ClipsalGateLine& line);
    void OnAirconEvent(const ClipsalGateEvent& event);
    void UpdateChannels(const ClipsalGateEvent& event, int32_t level);
    void UpdateHvacChannels(const ClipsalHvacZone& zone);
    void StoreLevel(uint8_t network, uint8_t application, uint8_t group, uint8_t level);
    LevelRecord* FindRecord(uint8_t network, uint8_t application);
    void SendGateCommand(const CClipsalGateChannel& channel, uint8_t command, uint8_t data0, uint8_t data1);
    std::string Tree() const { return "tree //" + m_project + "/*\r\n"; }

    std::string m_project;
    CInStream m_in{CInStream::Refuse, 2 * CClipsalGateLineReader::kMaxLine + 64};
    CClipsalGateLineReader m_reader;
    CChannelList<CClipsalGateChannel> m_channels;
    CReportPoster m_poster{*this};

    CNerulanCriticalSection m_recordLock;
    std::vector<LevelRecord> m_levels;
    std::vector<std::pair<uint8_t, uint8_t>> m_networks; // network, state code
    std::vector<ClipsalHvacZone> m_zones;

    std::atomic<uint8_t> m_phase{PhaseLoaded};
    std::atomic<uint32_t> m_lastTree{0};
    std::atomic<bool> m_treeSent{false};
};
