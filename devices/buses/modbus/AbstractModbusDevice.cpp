#include "devices/buses/modbus/AbstractModbusDevice.h"

#include "devices/buses/modbus/ModbusChannel.h"
#include "devices/buses/modbus/ModbusCodec.h"
#include "devices/buses/modbus/ModbusPollPlanner.h"

namespace
{
SendPumpRules ModbusRules()
{
    SendPumpRules rules;
    rules.pop = PopRule::OnSendTagZero; // tag 0: a broadcast on a serial line,
                                        // never answered
    rules.answerTimeout = CAbstractModbusDevice::kAnswerTimeout;
    rules.resends = 0;
    rules.clearOnLinkLoss = true;
    return rules;
}
} // namespace

CAbstractModbusDevice::CAbstractModbusDevice(const CAbstractModbusCodec& codec)
    : m_codec(codec), m_pump(*this, m_queue, ModbusRules()), m_scanner(codec)
{
}

CAbstractModbusDevice::~CAbstractModbusDevice()
{
    // The transport's thread may still call in: it stops before the streams and
    // channels go.
    DeleteTransport();
}

bool CAbstractModbusDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                                       uint32_t blobLength, const uint8_t* blob)
{
    auto channel = std::make_unique<CModbusChannel>(id, valueType, reportKind, direction);
    channel->Load(blob, blobLength);
    if (m_planner && channel->TakesFeedback())
        m_planner->Add(channel->GetUnit(), channel->GetTable(), channel->GetRegister());
    if (channel->TakesFeedback())
        m_feedback[ChannelKey(channel->GetUnit(), channel->GetTable(), channel->GetRegister())].push_back(
            channel.get());
    m_channels.push_back(std::move(channel));
    return true;
}

void CAbstractModbusDevice::BeginChannels()
{
    m_planner = std::make_unique<CModbusPollPlanner>();
}

void CAbstractModbusDevice::EndChannels()
{
    if (!m_planner)
        return;
    m_blocks.clear();
    for (const ModbusPollBlock& layout : m_planner->Build())
    {
        auto block = std::make_unique<Block>();
        block->layout = layout;
        m_blocks.push_back(std::move(block));
    }
    m_planner.reset();
}

bool CAbstractModbusDevice::Update()
{
    const bool result = StandardUpdate();
    if (GetState() == StateOnline)
    {
        Poll();
        PumpQueue();
    }
    return result;
}

void CAbstractModbusDevice::OnDisconnected()
{
    if (GetState() == StateOnline)
        ResetSession();
    StandardOnDisconnected();
}

void CAbstractModbusDevice::ResetSession()
{
    m_ids.Reset();
    m_pump.OnLinkLost(); // empties the queue as well
    m_lastPollCycle = 0;
    m_firstCycle = true;
    for (auto& block : m_blocks)
        block->pendingId = 0;
    // A frame cut short by the lost link must not run into the first reply of the
    // next one.
    m_flushInput = true;
}
