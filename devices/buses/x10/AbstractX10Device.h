#pragma once
#include <cstdint>
#include <ctime>
#include <vector>

#include "devices/AbstractDevice.h"
#include "devices/ChannelList.h"
#include "devices/OutStream.h"
#include "devices/ReportPoster.h"
#include "devices/SendQueue.h"
#include "devices/buses/x10/X10Channel.h"
#include "devices/buses/x10/X10LinkMachine.h"

// X10 power-line modules through a CM11-kind computer interface (serial, or a TCP serial
// gateway). A command takes two exchanges, the address and then the function, each confirmed by
// the interface's checksum, the panel's 0x00 and the interface's 0x55, and followed by a pause of
// 1000 ms (the send gate). The interface's polls, uploads and time requests are answered.
//
// An exchange that gets no answer within 1500 ms is sent again (three times at most, then the
// command is dropped), so a damaged checksum or a lost byte never stops the link.
//
// Threads: presses and the pump on the tick thread, receiving and answering on the transport
// thread. The link machine, the head's progress and the output stream are all under the send
// lock, so the answers of the transport thread never share the stream with a command.
class CAbstractX10Device : public CAbstractDevice
{
public:
    static constexpr int32_t kQueueCapacity = 128;
    static constexpr uint32_t kGatePause = 1000;
    static constexpr uint32_t kAnswerTimeout = 1500;
    static constexpr uint8_t kResends = 3;

    enum Gate : uint8_t
    {
        GateOpen = 2,
        GateClosed = 4,
    };

    CAbstractX10Device();
    ~CAbstractX10Device() override;

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
    void OnTimer() override { m_gate = GateOpen; }
    void OnConnected() override;
    void OnDisconnected() override;
    void OnReceive(const uint8_t* bytes, uint32_t length) override;

    // For inspection (any thread).
    int32_t QueuedCommands() { return m_queue.GetCount(); }
    uint8_t LinkState();
    uint8_t GateState() const { return m_gate.load(); }

protected:
    // The local time the interface's clock is set from.
    virtual std::tm LocalTime() const;

private:
    void QueueChannel(const CX10Channel& channel, int32_t tag);
    bool SendByAction(uint16_t channel, uint8_t action);
    void PumpQueue();
    void PeriodicPass();
    void CheckTimeOut();
    void Apply(const CX10LinkMachine::Action& action);
    void Send(const std::vector<uint8_t>& bytes);
    void ReportFunction(const X10Report& report);

    CChannelList<CX10Channel> m_channels;
    CSendQueue m_queue{kQueueCapacity};
    CReportPoster m_poster{*this};
    COutStream m_out{1024};
    // Under the send lock.
    CX10LinkMachine m_link;
    bool m_headAddressed = false;
    uint8_t m_exchangeSends = 0;
    std::atomic<uint8_t> m_gate{GateOpen};
};
