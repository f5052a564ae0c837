// The poll cycle, the send pump and the writes of CAbstractModbusDevice (tick
// thread).
#include "devices/buses/modbus/AbstractModbusDevice.h"

#include "common/NerulanValue.h"
#include "devices/buses/modbus/ModbusChannel.h"
#include "devices/buses/modbus/ModbusCodec.h"
#include "devices/buses/modbus/ModbusPdu.h"
#include "platform/Clock.h"

void CAbstractModbusDevice::Poll()
{
    const uint32_t elapsed = platform::ElapsedMs(Now(), m_lastPollCycle);
    if (!m_firstCycle.exchange(false) && elapsed <= m_pollPeriod)
        return;
    // A block is asked again only once its reply, its exception or its time-out
    // has released it, so a period of 0 polls back to back with one request per
    // block. Every way out of the queue releases the block; the rule below only
    // frees a block whose request is gone without that (never with a period of 0,
    // where it would give every request up on the next tick).
    const bool clearStale = m_pollPeriod > 0 && elapsed > static_cast<uint64_t>(m_pollPeriod) * kStalePeriods;
    for (auto& block : m_blocks)
    {
        const uint16_t pending = block->pendingId;
        if (pending == 0)
            RequestBlock(*block);
        else if (clearStale && !m_queue.ContainsTag(RequestTag(*block, pending)))
            block->pendingId = 0;
    }
    m_lastPollCycle = Now();
}

int32_t CAbstractModbusDevice::RequestTag(const Block& block, uint16_t transactionId)
{
    return ModbusRequestKey{transactionId, block.layout.unit, CModbusPdu::ReadFunction(block.layout.table)}
        .ToTag();
}

void CAbstractModbusDevice::RequestBlock(Block& block)
{
    CModbusPdu pdu;
    if (!pdu.Read(block.layout.table, block.layout.start, block.layout.quantity))
        return;
    const uint16_t id = m_ids.Next();
    block.pendingId = id;
    if (!QueueRequest(block.layout.unit, pdu, id))
        block.pendingId = 0;
}

bool CAbstractModbusDevice::QueueRequest(uint8_t unit, const CModbusPdu& pdu, uint16_t transactionId)
{
    const ModbusRequestKey key{transactionId, unit, pdu.Function()};
    // A write to unit 0 on a serial line is a broadcast, which no unit answers:
    // it leaves the queue once sent instead of holding every other request for 12
    // s.
    const bool broadcast =
        unit == 0 && !m_codec.CarriesTransactionId() &&
        (pdu.Function() == ModbusWriteMultipleCoils || pdu.Function() == ModbusWriteMultipleRegisters);
    CCriticalSectionGuard guard(SendLock());
    m_out.Reset();
    const std::vector<uint8_t> frame = m_codec.EncodeRequest(transactionId, unit, pdu.Data(), pdu.Size());
    m_out.PutBytes(frame.data(), static_cast<uint32_t>(frame.size()));
    return m_pump.Queue(broadcast ? 0 : key.ToTag(), m_out);
}

void CAbstractModbusDevice::PumpQueue()
{
    const PumpStep step = m_pump.Pump();
    if (step.kind == PumpStep::Dropped)
    {
        ReleaseBlock(step.tag);
        m_flushInput = true;
    }
}

CModbusChannel* CAbstractModbusDevice::ChannelToWrite(uint16_t id, uint8_t action)
{
    for (auto& channel : m_channels)
        if (channel->GetId() == id)
            return channel->IsSentBy(action) ? channel.get() : nullptr;
    return nullptr;
}

bool CAbstractModbusDevice::Write(uint16_t id, uint8_t action, CNerulanValue* value, bool storedWhenNoValue)
{
    CModbusChannel* channel = ChannelToWrite(id, action);
    if (!channel || (!value && !storedWhenNoValue))
        return false;
    WriteChannel(*channel, value ? value->GetInt() : channel->m_value.load());
    return true;
}

bool CAbstractModbusDevice::Press(uint16_t channel, CNerulanValue* value)
{
    return Write(channel, ActionPress, value, true);
}

bool CAbstractModbusDevice::Release(uint16_t channel, CNerulanValue* value)
{
    return Write(channel, ActionRelease, value, true);
}

bool CAbstractModbusDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    return Write(channel, ActionSetValue, value, false);
}

void CAbstractModbusDevice::WriteChannel(const CModbusChannel& channel, int32_t value)
{
    // Only coils of a bool channel and holding registers of a 16- or 32-bit
    // integer channel are written; anything else is accepted and sends nothing.
    CModbusPdu pdu;
    const uint8_t type = channel.GetValueType();
    if (channel.GetTable() == ModbusCoils && type == ValueBool)
    {
        pdu.WriteCoils(channel.GetRegister());
        pdu.AddCoil(value != 0);
    }
    else if (channel.GetTable() == ModbusHoldingRegisters &&
             (type == ValueInt16 || type == ValueUInt16 || type == ValueInt32))
    {
        pdu.WriteRegisters(channel.GetRegister());
        pdu.AddRegister(static_cast<uint16_t>(value));
    }
    else
    {
        return;
    }
    QueueRequest(channel.GetUnit(), pdu, m_ids.Next());
}
