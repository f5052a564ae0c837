#include "devices/buses/x10/AbstractX10Device.h"

#include <memory>

#include "common/NerulanValue.h"
#include "devices/QueueData.h"
#include "platform/Clock.h"

namespace
{
// A queued command: function, extended command, house, unit, data.
constexpr uint32_t kCommandBytes = 5;
// Periodic commands are tagged so that one still queued is never queued again; presses are 0.
constexpr int32_t kPeriodicTag = 0x10000;
} // namespace

CAbstractX10Device::CAbstractX10Device()
{
    SetTimerPeriod(kGatePause);
}

CAbstractX10Device::~CAbstractX10Device()
{
    // The transport's thread ends before anything it calls into goes.
    DeleteTransport();
}

bool CAbstractX10Device::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                                    uint32_t blobLength, const uint8_t* blob)
{
    return m_channels.AddLoaded(id, valueType, reportKind, direction, blobLength, blob) != nullptr;
}

uint8_t CAbstractX10Device::LinkState()
{
    CCriticalSectionGuard guard(SendLock());
    return m_link.GetState();
}

std::tm CAbstractX10Device::LocalTime() const
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

void CAbstractX10Device::QueueChannel(const CX10Channel& channel, int32_t tag)
{
    const uint8_t command[kCommandBytes] = {channel.m_function, channel.m_extended, channel.m_house,
                                            channel.m_unit, channel.m_data.load()};
    if (tag == 0)
        m_queue.AddData(0, command, kCommandBytes);
    else
        m_queue.AddDataOnce(tag, command, kCommandBytes);
}

bool CAbstractX10Device::SendByAction(uint16_t channel, uint8_t action)
{
    for (const auto& c : m_channels)
    {
        if (c->GetAddressChannel() != channel || c->GetAction() != action)
            continue;
        if (c->GetDirection() != DirectionNeverSent)
            QueueChannel(*c, 0);
        break;
    }
    return false;
}

bool CAbstractX10Device::Press(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    return SendByAction(channel, ActionPress);
}

bool CAbstractX10Device::Release(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    return SendByAction(channel, ActionRelease);
}

bool CAbstractX10Device::SetValue(uint16_t channel, CNerulanValue* value)
{
    CX10Channel* c = m_channels.Find(channel);
    if (!c || !value)
        return false;
    c->m_data = static_cast<uint8_t>(value->GetInt());
    return true;
}

bool CAbstractX10Device::Update()
{
    const bool result = StandardUpdate();
    if (GetState() == StateOnline)
    {
        CheckTimeOut();
        PumpQueue();
        PeriodicPass();
        CheckTimer();
    }
    return result;
}

void CAbstractX10Device::CheckTimeOut()
{
    CCriticalSectionGuard guard(SendLock());
    // Back to idle: the pump sends the exchange again (or drops it after its last try).
    m_link.TimeOut(Now(), kAnswerTimeout);
}

void CAbstractX10Device::PumpQueue()
{
    CCriticalSectionGuard guard(SendLock());
    if (m_link.GetState() != CX10LinkMachine::Idle || m_gate != GateOpen || m_queue.GetCount() == 0)
        return;
    std::unique_ptr<CQueueData> head(m_queue.PeekData());
    if (!head)
        return;
    if (head->GetLength() < kCommandBytes || m_exchangeSends > kResends)
    {
        // Never confirmed: the command is given up so that the ones behind it go.
        m_queue.Pop();
        m_headAddressed = false;
        m_exchangeSends = 0;
        return;
    }
    const uint8_t* bytes = head->GetBytes();
    x10::Command command;
    command.function = bytes[0];
    command.extended = bytes[1];
    command.house = bytes[2];
    command.unit = bytes[3];
    command.data = bytes[4];
    std::vector<uint8_t> frame;
    x10::WriteExchange(frame, command, m_headAddressed);
    m_link.StartExchange(x10::Checksum(frame), Now());
    ++m_exchangeSends;
    Send(frame);
}

void CAbstractX10Device::PeriodicPass()
{
    const uint32_t now = Now();
    for (const auto& c : m_channels)
    {
        if (!c->IsPeriodic())
            continue;
        // A period of 0 sends once.
        const bool due =
            !c->m_sentPeriodically ||
            (c->GetPeriod() != 0 && platform::ElapsedMs(now, c->m_lastPeriodicSend) > c->GetPeriod());
        if (!due)
            continue;
        c->m_sentPeriodically = true;
        c->m_lastPeriodicSend = now;
        QueueChannel(*c, kPeriodicTag + c->GetAddressChannel());
    }
}

void CAbstractX10Device::Send(const std::vector<uint8_t>& bytes)
{
    CCriticalSectionGuard guard(SendLock());
    m_out.Reset();
    m_out.PutBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    SendToTransport(m_out.Data(), m_out.Length());
}

void CAbstractX10Device::OnConnected()
{
    {
        CCriticalSectionGuard guard(SendLock());
        m_link.OnLinkUp();
    }
    StandardOnConnected();
}

void CAbstractX10Device::OnDisconnected()
{
    StandardOnDisconnected();
    CCriticalSectionGuard guard(SendLock());
    m_queue.Clear();
    m_headAddressed = false;
    m_exchangeSends = 0;
}

void CAbstractX10Device::OnReceive(const uint8_t* bytes, uint32_t length)
{
    if (!bytes || length == 0)
        return;
    CCriticalSectionGuard guard(SendLock());
    std::vector<CX10LinkMachine::Action> actions;
    m_link.Feed(bytes, static_cast<int32_t>(length), Now(), actions);
    for (const CX10LinkMachine::Action& action : actions)
        Apply(action);
}

void CAbstractX10Device::Apply(const CX10LinkMachine::Action& action)
{
    switch (action.kind)
    {
    case CX10LinkMachine::Action::Confirmed:
        // The address exchange is done, or (once addressed) the whole command.
        if (m_headAddressed)
        {
            if (m_queue.GetCount() > 0)
                m_queue.Pop();
            m_headAddressed = false;
        }
        else
        {
            m_headAddressed = true;
        }
        m_exchangeSends = 0;
        return;
    case CX10LinkMachine::Action::SendByte:
        Send({action.byte});
        return;
    case CX10LinkMachine::Action::TimeAnswer:
    case CX10LinkMachine::Action::OtherAnswer:
    {
        std::vector<uint8_t> answer;
        if (action.kind == CX10LinkMachine::Action::TimeAnswer)
            x10::WriteTimeAnswer(answer, LocalTime());
        else
            x10::WriteOtherAnswer(answer, LocalTime());
        Send(answer);
        return;
    }
    case CX10LinkMachine::Action::Ready:
        m_gate = GateClosed;
        StartTimer();
        return;
    case CX10LinkMachine::Action::Report:
        ReportFunction(action.report);
        return;
    }
}

void CAbstractX10Device::ReportFunction(const X10Report& report)
{
    const uint8_t extended = report.function == x10::kFunctionExtended ? report.extended : 0;
    for (const auto& c : m_channels)
    {
        if (c->m_house != report.house || c->m_unit != report.unit || c->m_extended != extended)
            continue;
        if (!c->TakesFeedback())
            return;
        switch (report.function)
        {
        case x10::kFunctionOn:
            m_poster.Post(c->GetId(), c->GetReportKind(), 1.0);
            return;
        case x10::kFunctionOff:
            m_poster.Post(c->GetId(), c->GetReportKind(), 0.0);
            return;
        case x10::kFunctionExtended:
            m_poster.Post(c->GetId(), c->GetReportKind(), report.data);
            return;
        default:
            return;
        }
    }
}
