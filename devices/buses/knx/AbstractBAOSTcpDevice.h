#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "common/NerulanCriticalSection.h"
#include "devices/AbstractDevice.h"
#include "devices/ChannelList.h"
#include "devices/PollTimer.h"
#include "devices/ReportPoster.h"
#include "devices/SendPump.h"
#include "devices/SendQueue.h"
#include "devices/buses/knx/AbstractBAOSChannel.h"
#include "devices/buses/knx/BAOSInStream.h"
#include "devices/buses/knx/BaosRanges.h"

// A KNX object server over TCP (BAOS 1.x: CBAOS1xTcpDevice, 2.x: CBAOS2xTcpDevice). Reads the
// values of every datapoint that feeds the interface at connect and then every poll period, writes
// a datapoint for every press, release or value change, and turns changed values (replies and
// the server's indications) into value events (kind 1). One request is in flight at a time; a
// request without a reply within 6000 ms is dropped.
//
// Threads: Update and the writes on the tick thread; OnConnected and OnReceive on the transport
// thread. Requests are built locally and queued (the queue has its own lock); the receive stream
// is used under its own lock, since a dropped request empties it from the tick thread.
class CAbstractBAOSTcpDevice : public CAbstractDevice
{
public:
    static constexpr uint32_t kReplyTimeout = 6000;
    static constexpr uint8_t kReadTag = Baos::GetDatapointValue;

    ~CAbstractBAOSTcpDevice() override;

    // Host, port and the poll period (ms, 0: no polling).
    bool Configure(DeviceParams* params) override;
    bool Connect() override { return StandardConnect(); }
    void Disconnect() override { CloseTransport(); }
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool Release(uint16_t channel, CNerulanValue* value) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool Update() override;
    // Builds the read ranges from the channels that take feedback.
    void EndChannels() override;
    void OnConnected() override;
    void OnDisconnected() override { StandardOnDisconnected(); }
    void OnReceive(const uint8_t* bytes, uint32_t length) override;
    // Every channel posts its value as kind 1, whatever its report kind.
    bool ReadsReportKind() const override { return false; }

    const std::vector<BaosDatapointRange>& GetRanges() const { return m_ranges; }
    uint8_t GetQueueState() const { return m_pump.GetState(); }

protected:
    explicit CAbstractBAOSTcpDevice(std::unique_ptr<CAbstractBAOSInStream> in);

    // 0: no polling.
    void SetPollPeriod(uint32_t ms) { m_poll.SetPeriod(ms); }

    // The version's channel class, not yet loaded.
    virtual std::unique_ptr<CAbstractBAOSChannel>
    MakeChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction) const = 0;
    // One request of the version's framing: Begin, the item when there is one, Finish.
    virtual void BuildRequest(uint8_t service, uint16_t firstId, uint16_t count, uint8_t filter,
                              const CAbstractBAOSChannel* item, const std::vector<uint8_t>& value,
                              std::vector<uint8_t>& out) const = 0;

private:
    bool WriteDatapoint(uint16_t channel, uint8_t action, const CNerulanValue* given);
    void RequestValues(uint8_t filter);
    void PumpQueue();
    void UpdateDatapoint(uint16_t id, const uint8_t* value, size_t length);

    CChannelList<CAbstractBAOSChannel> m_channels;
    std::unique_ptr<CAbstractBAOSInStream> m_in;
    // Guards m_in: the transport thread appends and parses, the tick thread empties it.
    CNerulanCriticalSection m_inLock;
    CSendQueue m_queue{64};
    CSendPump m_pump;
    CReportPoster m_poster{*this};
    std::vector<BaosDatapointRange> m_ranges;
    CPollTimer m_poll{0, CPollTimer::FirstAfterPeriod};
};
