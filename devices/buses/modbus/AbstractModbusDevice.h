#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "devices/AbstractDevice.h"
#include "devices/OutStream.h"
#include "devices/ReportPoster.h"
#include "devices/SendPump.h"
#include "devices/SendQueue.h"
#include "devices/buses/modbus/ModbusTransactionCounter.h"
#include "devices/buses/modbus/ModbusTypes.h"

class CAbstractModbusCodec;
class CModbusChannel;
class CModbusPdu;
class CModbusPollPlanner;

// The Modbus client shared by the five drivers: channels, poll blocks laid out
// at load, one request outstanding at a time with a 12 s time-out, replies
// matched to the request they answer, and writes of single coils (function 15)
// and registers (function 16). The drivers differ only in their framing (the
// codec) and their link (Configure).
//
// Threads: Update, Poll, the pump and the writes run on the tick thread;
// OnReceive, OnConnected and OnDisconnected on the transport's thread. The send
// queue and the pump have their own lock; messages are built under the send
// lock; the blocks' pending ids, the channels' values and the transaction
// counter are atomics; the receive stream is touched by the transport thread
// only (the tick thread asks for it to be emptied).
class CAbstractModbusDevice : public CAbstractDevice
{
public:
    static constexpr uint32_t kAnswerTimeout = 12000;
    static constexpr int32_t kQueueCapacity = 64;
    static constexpr int32_t kStreamCapacity = 4096;
    // After this many poll periods a block whose request has left the queue
    // without releasing it is asked again (poll periods above 0 only).
    static constexpr uint32_t kStalePeriods = 10;

    explicit CAbstractModbusDevice(const CAbstractModbusCodec& codec);
    ~CAbstractModbusDevice() override;

    bool Connect() override { return StandardConnect(); }
    void Disconnect() override { CloseTransport(); }
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool Release(uint16_t channel, CNerulanValue* value) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool Update() override;
    void BeginChannels() override;
    void EndChannels() override;
    void OnConnected() override { StandardOnConnected(); }
    void OnDisconnected() override;
    void OnReceive(const uint8_t* bytes, uint32_t length) override;
    // Every event is a value event (kind 1): the channel's report kind is not
    // read.
    bool ReadsReportKind() const override { return false; }

    // The poll cycle: requests for the blocks with none outstanding.
    void Poll();
    // One step of the send pump; a request dropped at its time-out releases its
    // block.
    void PumpQueue();

    // For tests and the drivers: what was laid out and what is in flight.
    struct Block
    {
        ModbusPollBlock layout;
        std::atomic<uint16_t> pendingId{0};
    };
    const std::vector<std::unique_ptr<Block>>& Blocks() const { return m_blocks; }
    uint16_t LastTransactionId() const { return m_ids.Last(); }
    uint32_t GetPollPeriod() const { return m_pollPeriod; }
    int32_t QueuedRequests() { return m_queue.GetCount(); }

protected:
    // The poll period in ms, from the device table (0: poll back to back).
    uint32_t m_pollPeriod = 0;

private:
    // What a device operation may write: the channel with the id, when the action
    // sends it.
    CModbusChannel* ChannelToWrite(uint16_t id, uint8_t action);
    bool Write(uint16_t id, uint8_t action, CNerulanValue* value, bool storedWhenNoValue);
    void WriteChannel(const CModbusChannel& channel, int32_t value);
    // Builds the request in the send stream and queues it; false when the queue
    // refused it.
    bool QueueRequest(uint8_t unit, const CModbusPdu& pdu, uint16_t transactionId);
    void RequestBlock(Block& block);
    static int32_t RequestTag(const Block& block, uint16_t transactionId);

    void HandleReply(const ModbusReply& reply);
    Block* PendingBlock(uint16_t transactionId);
    void ReleaseBlock(int32_t tag);
    void ApplyBits(const ModbusReply& reply, const Block& block);
    void ApplyRegisters(const ModbusReply& reply, const Block& block);
    void UpdateChannels(uint8_t unit, uint8_t table, uint16_t address, int32_t value);
    static uint32_t ChannelKey(uint8_t unit, uint8_t table, uint16_t address)
    {
        return static_cast<uint32_t>(unit) << 24 | static_cast<uint32_t>(table) << 16 | address;
    }
    // The link is gone: no request outstanding, ids from 1 again, the next cycle
    // at once.
    void ResetSession();

    const CAbstractModbusCodec& m_codec;
    CSendQueue m_queue{kQueueCapacity};
    CSendPump m_pump;
    CReportPoster m_poster{*this};
    CModbusTransactionCounter m_ids;
    std::vector<std::unique_ptr<CModbusChannel>> m_channels;
    // The channels that take feedback, by unit, table and address.
    std::unordered_map<uint32_t, std::vector<CModbusChannel*>> m_feedback;
    std::vector<std::unique_ptr<Block>> m_blocks;
    std::unique_ptr<CModbusPollPlanner> m_planner; // between BeginChannels and EndChannels
    std::atomic<uint32_t> m_lastPollCycle{0};
    // The next Update polls whatever the time: the first after going online.
    std::atomic<bool> m_firstCycle{true};
    COutStream m_out{kStreamCapacity};
    CInStream m_in{CInStream::Refuse, kStreamCapacity};
    CFrameScanner m_scanner;
    // Set by the tick thread when a time-out or a lost link drops the request:
    // the transport thread empties its receive stream before it appends again.
    std::atomic<bool> m_flushInput{false};
};
