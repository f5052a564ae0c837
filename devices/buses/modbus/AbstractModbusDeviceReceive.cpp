// Replies of CAbstractModbusDevice (transport thread): measured by the frame
// scanner, matched to the request at the head of the queue, applied to the
// channels.
#include "devices/buses/modbus/AbstractModbusDevice.h"

#include <algorithm>

#include "devices/buses/modbus/ModbusChannel.h"
#include "devices/buses/modbus/ModbusCodec.h"
#include "devices/buses/modbus/ModbusReplyDecoder.h"

void CAbstractModbusDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    if (m_flushInput.exchange(false))
        m_in.Reset();
    // Fed in pieces that always fit beside a frame cut short: the scanner keeps
    // at most one frame's bytes, so the stream never has to refuse.
    const uint32_t piece = static_cast<uint32_t>(kStreamCapacity - m_codec.MaxFrameLength());
    while (bytes && length > 0)
    {
        const uint32_t n = std::min(length, piece);
        m_in.Append(bytes, static_cast<int32_t>(n));
        bytes += n;
        length -= n;
        const uint8_t* frame = nullptr;
        int32_t size = 0;
        while (m_scanner.Next(m_in, frame, size))
        {
            ModbusReply reply;
            if (m_codec.DecodeReply(frame, static_cast<size_t>(size), reply))
                HandleReply(reply);
        }
    }
}

void CAbstractModbusDevice::HandleReply(const ModbusReply& reply)
{
    // A reply counts only when it answers the request at the head: same
    // transaction id (TCP) or same unit (RTU, ASCII), and the same function code
    // or its exception. A late reply to a request that timed out, or one from
    // another unit, is dropped here.
    const int32_t tag = m_queue.PeekTag();
    const ModbusRequestKey key = ModbusRequestKey::FromTag(tag);
    if (tag == 0 || !CModbusReplyDecoder::Answers(reply, key, m_codec.CarriesTransactionId()))
        return;
    Block* block = PendingBlock(key.transactionId);
    if (!m_pump.Accept(tag))
        return;
    // The head is gone: whatever the reply holds, its block may be asked again.
    if (!block)
        return;
    if (!CModbusReplyDecoder::IsException(reply))
    {
        if (reply.function == ModbusReadCoils || reply.function == ModbusReadDiscreteInputs)
            ApplyBits(reply, *block);
        else if (reply.function == ModbusReadHoldingRegisters || reply.function == ModbusReadInputRegisters)
            ApplyRegisters(reply, *block);
    }
    uint16_t expected = key.transactionId;
    block->pendingId.compare_exchange_strong(expected, 0);
}

CAbstractModbusDevice::Block* CAbstractModbusDevice::PendingBlock(uint16_t transactionId)
{
    if (transactionId == 0)
        return nullptr;
    for (auto& block : m_blocks)
        if (block->pendingId == transactionId)
            return block.get();
    return nullptr;
}

void CAbstractModbusDevice::ReleaseBlock(int32_t tag)
{
    const uint16_t id = ModbusRequestKey::FromTag(tag).transactionId;
    if (Block* block = PendingBlock(id))
    {
        uint16_t expected = id;
        block->pendingId.compare_exchange_strong(expected, 0);
    }
}

void CAbstractModbusDevice::ApplyBits(const ModbusReply& reply, const Block& block)
{
    std::vector<uint8_t> bits;
    if (block.layout.table != (reply.function == ModbusReadCoils ? ModbusCoils : ModbusDiscreteInputs) ||
        !CModbusReplyDecoder::Bits(reply, block.layout.quantity, bits))
        return;
    // Bits beyond the block, and beyond address 65535, are not taken.
    for (uint32_t n = 0; n < bits.size() && block.layout.start + n <= 0xFFFF; ++n)
        UpdateChannels(reply.unit, block.layout.table, static_cast<uint16_t>(block.layout.start + n),
                       bits[n]);
}

void CAbstractModbusDevice::ApplyRegisters(const ModbusReply& reply, const Block& block)
{
    std::vector<int16_t> values;
    const uint8_t table =
        reply.function == ModbusReadHoldingRegisters ? ModbusHoldingRegisters : ModbusInputRegisters;
    if (block.layout.table != table || !CModbusReplyDecoder::Registers(reply, block.layout.quantity, values))
        return;
    for (uint32_t j = 0; j < values.size() && block.layout.start + j <= 0xFFFF; ++j)
        UpdateChannels(reply.unit, table, static_cast<uint16_t>(block.layout.start + j), values[j]);
}

void CAbstractModbusDevice::UpdateChannels(uint8_t unit, uint8_t table, uint16_t address, int32_t value)
{
    const auto found = m_feedback.find(ChannelKey(unit, table, address));
    if (found == m_feedback.end())
        return;
    for (CModbusChannel* channel : found->second)
        m_poster.PostIfChanged(channel->GetId(), EventSetItemValue, channel->m_value,
                               channel->FromWire(value));
}
