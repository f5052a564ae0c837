#include "devices/buses/smartbus/AbstractSmartBusDevice.h"

#include <cstring>

#include "common/NerulanValue.h"
#include "platform/Clock.h"
#include "platform/FloatToInt.h"

namespace
{
constexpr uint8_t kAudioKind = 11;
constexpr uint8_t kGroupKind = 12;
constexpr uint8_t kEveryNumber = 255;
constexpr uint8_t kFirstSourceNumber = 132;
constexpr uint8_t kVolumeNumber = 129;
constexpr uint8_t kValueTypeBool = 1;
constexpr uint8_t kValueTypeInt32 = 6;

bool IsTextNumber(uint8_t number)
{
    return number == 133 || number == 134 || (number >= 137 && number <= 140);
}

uint8_t ValueByte(uint8_t valueType, float value)
{
    if (valueType == kValueTypeBool)
        return value != 0 ? 1 : 0;
    return static_cast<uint8_t>(platform::FloatToInt32(value));
}
} // namespace

SendPumpRules CAbstractSmartBusDevice::Rules()
{
    SendPumpRules rules;
    rules.pop = PopRule::OnAnswer;
    rules.answerTimeout = 500; // at least 501 ms
    rules.resends = 3;         // four sends in all
    // A lost link empties the queue, and the state and the resend count start over with it.
    rules.clearOnLinkLoss = true;
    return rules;
}

CAbstractSmartBusDevice::CAbstractSmartBusDevice() = default;

CAbstractSmartBusDevice::~CAbstractSmartBusDevice()
{
    // The transport's thread ends before anything it calls into goes.
    DeleteTransport();
}

bool CAbstractSmartBusDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind,
                                         uint8_t direction, uint32_t blobLength, const uint8_t* blob)
{
    return m_channels.AddLoaded(id, valueType, reportKind, direction, blobLength, blob) != nullptr;
}

bool CAbstractSmartBusDevice::SendByAction(uint16_t channel, CNerulanValue* value, uint8_t action)
{
    CSmartBusChannel* c = m_channels.Find(channel);
    if (!c || !c->IsSentBy(action))
        return false;
    SendChannel(*c, value ? value->GetFloat() : c->m_value.load());
    return true;
}

bool CAbstractSmartBusDevice::Press(uint16_t channel, CNerulanValue* value)
{
    return SendByAction(channel, value, ActionPress);
}

bool CAbstractSmartBusDevice::Release(uint16_t channel, CNerulanValue* value)
{
    return SendByAction(channel, value, ActionRelease);
}

bool CAbstractSmartBusDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    if (!value)
        return false;
    return SendByAction(channel, value, ActionSetValue);
}

const CSmartBusChannel* CAbstractSmartBusDevice::FindChannel(uint8_t kind, uint8_t subnet, uint8_t device,
                                                             uint8_t number) const
{
    for (const auto& c : m_channels)
    {
        if (c->m_kind == kind && c->m_subnet == subnet && c->m_device == device && c->m_number == number)
            return c.get();
    }
    return nullptr;
}

void CAbstractSmartBusDevice::SendChannel(const CSmartBusChannel& channel, float value)
{
    if (channel.GetDirection() == DirectionNeverSent ||
        (channel.GetValueType() != kValueTypeBool && channel.GetValueType() != kValueTypeInt32))
        return;
    SmartBusCommand command;
    command.opCode = channel.m_opCode;
    command.subnet = channel.m_subnet;
    command.device = channel.m_device;
    command.number = channel.m_number;
    command.value = ValueByte(channel.GetValueType(), value);
    command.extra = channel.m_extra;
    command.zone = channel.m_zone;
    command.source = channel.m_source;
    if (channel.m_kind == kGroupKind)
    {
        // The group command carries numbers 1 and 3 to 8 at once: the others keep their values.
        static const uint8_t kNumbers[7] = {1, 3, 4, 5, 6, 7, 8};
        for (int i = 0; i < 7; ++i)
        {
            const CSmartBusChannel* other =
                kNumbers[i] == channel.m_number
                    ? nullptr
                    : FindChannel(kGroupKind, channel.m_subnet, channel.m_device, kNumbers[i]);
            command.group[i] =
                other ? static_cast<uint8_t>(platform::FloatToInt32(other->m_value.load())) : command.value;
        }
    }
    std::vector<uint8_t> frame;
    if (!WritePrefix(frame) || !SmartBusWriteFrame(frame, command))
        return;
    for (uint8_t copy = 0; copy < channel.m_repeat; ++copy)
        m_pump.Queue(channel.m_opCode, frame.data(), static_cast<uint32_t>(frame.size()));
}

bool CAbstractSmartBusDevice::Update()
{
    const bool result = StandardUpdate();
    if (GetState() == StateOnline)
    {
        PeriodicPass();
        m_pump.Pump();
    }
    return result;
}

void CAbstractSmartBusDevice::PeriodicPass()
{
    const uint32_t now = Now();
    for (const auto& c : m_channels)
    {
        if (c->GetAction() != ActionPeriodic)
            continue;
        // A period of 0 sends once.
        const bool due =
            !c->m_sentPeriodically ||
            (c->GetPeriod() != 0 && platform::ElapsedMs(now, c->m_lastPeriodicSend) > c->GetPeriod());
        if (!due)
            continue;
        c->m_sentPeriodically = true;
        c->m_lastPeriodicSend = now;
        SendChannel(*c, c->m_value.load());
    }
}

void CAbstractSmartBusDevice::OnConnected()
{
    StandardOnConnected();
}

void CAbstractSmartBusDevice::OnDisconnected()
{
    StandardOnDisconnected();
    m_pump.OnLinkLost();
}

void CAbstractSmartBusDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    if (!bytes || length == 0)
        return;
    m_in.Append(bytes, static_cast<int32_t>(length));
    const uint8_t* frameBytes = nullptr;
    int32_t frameLength = 0;
    while (m_scanner.Next(m_in, frameBytes, frameLength))
    {
        SmartBusFrame frame;
        if (SmartBusReadFrame(frameBytes, frameLength, frame))
            OnFrame(frame);
    }
}

void CAbstractSmartBusDevice::OnFrame(const SmartBusFrame& frame)
{
    SmartBusReply reply;
    smartbus::DecodeReply(frame, reply);
    for (const SmartBusUpdate& update : reply.updates)
        UpdateChannels(update);
    // The head is released after the channels took the answer's values.
    if (reply.releaseTag >= 0)
        m_pump.Accept(reply.releaseTag);
}

void CAbstractSmartBusDevice::PostValue(uint32_t channel, float value)
{
    PostEvent(CDeviceEvent::MakeFloat(channel, EventSetItemValue, value));
}

void CAbstractSmartBusDevice::PostText(uint32_t channel, const SmartBusUpdate& update)
{
    CDeviceEvent event = CDeviceEvent::Make(channel, EventSetItemText);
    if (update.hasText)
    {
        char16_t* text = new char16_t[update.text.size() + 1];
        std::memcpy(text, update.text.data(), update.text.size() * sizeof(char16_t));
        text[update.text.size()] = 0;
        event.SetArgumentText(text);
    }
    PostEvent(event);
}

void CAbstractSmartBusDevice::UpdateChannels(const SmartBusUpdate& update)
{
    for (const auto& c : m_channels)
    {
        if (c->m_subnet != update.subnet || c->m_device != update.device || c->m_kind != update.kind ||
            !c->TakesFeedback())
            continue;
        if (c->m_number == update.number)
        {
            if (update.kind == kAudioKind && update.number >= kFirstSourceNumber)
            {
                if (update.key != c->m_source)
                    continue;
                if (update.isText || IsTextNumber(update.number))
                    PostText(c->GetId(), update);
                else
                    PostValue(c->GetId(), update.value);
                continue;
            }
            if (update.kind == kAudioKind && update.key != c->m_zone)
                continue;
            const float value = update.kind == kAudioKind && update.number == kVolumeNumber
                                    ? smartbus::VolumeFromDevice(update.value)
                                    : update.value;
            c->m_value = value;
            PostValue(c->GetId(), value);
        }
        else if (update.number == kEveryNumber)
        {
            PostValue(c->GetId(), update.value);
        }
    }
}
