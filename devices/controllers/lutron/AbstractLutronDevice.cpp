#include "devices/controllers/lutron/AbstractLutronDevice.h"

#include <cstdio>

#include "common/NerulanValue.h"
#include "devices/AbstractTransport.h"
#include "platform/Clock.h"

namespace
{
constexpr uint8_t kActionPress = 3;
constexpr uint8_t kActionRelease = 4;
constexpr uint8_t kActionReleaseHeld = 20;
constexpr uint8_t kLastKeypadCode = 16;
} // namespace

CAbstractLutronDevice::CAbstractLutronDevice() = default;

CAbstractLutronDevice::~CAbstractLutronDevice()
{
    // The transport's thread ends before anything it calls into goes.
    CloseTransport();
    DeleteTransport();
}

bool CAbstractLutronDevice::Connect()
{
    return DirectConnect();
}

void CAbstractLutronDevice::Disconnect()
{
    CloseTransport();
}

bool CAbstractLutronDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                                       uint32_t blobLength, const uint8_t* blob)
{
    m_channels.AddLoaded(id, valueType, reportKind, direction, blobLength, blob);
    return true;
}

bool CAbstractLutronDevice::SendCommand(const CLutronChannel& channel, int32_t number, int32_t value)
{
    std::string command;
    if (!CLutronCodec::LutronWriteCommand(command, channel.m_serial, channel.GetValueType(),
                                          channel.m_commandKind, channel.m_code, number, value))
        return false;
    SendText(command);
    return true;
}

void CAbstractLutronDevice::SendText(const std::string& text)
{
    SendToTransport(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
}

bool CAbstractLutronDevice::Press(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    CLutronChannel* c = m_channels.Find(channel);
    if (!c)
        return false;
    if (c->m_code == CLutronCodec::kCodeLevel || c->m_code == CLutronCodec::kCodeIndicator)
        SendCommand(*c, c->m_number, c->m_value.load());
    else
        SendCommand(*c, kActionPress, -1);
    return true;
}

bool CAbstractLutronDevice::Release(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    CLutronChannel* c = m_channels.Find(channel);
    if (!c)
        return false;
    const bool held = c->m_code == 18 || c->m_code == 19;
    SendCommand(*c, held ? kActionReleaseHeld : kActionRelease, -1);
    return true;
}

bool CAbstractLutronDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    CLutronChannel* c = m_channels.Find(channel);
    if (!c || !value || (c->m_code != CLutronCodec::kCodeLevel && c->m_code != CLutronCodec::kCodeIndicator))
        return false;
    SendCommand(*c, c->m_number, value->GetInt());
    return true;
}

bool CAbstractLutronDevice::SendBytes(const uint8_t* bytes, uint32_t length)
{
    if (bytes && length > 0)
        SendToTransport(bytes, length);
    return false;
}

bool CAbstractLutronDevice::Update()
{
    switch (GetState())
    {
    case StateOnline:
        DispatchEvents();
        return false;
    case StateIdle:
    {
        if (!m_transport)
            return false;
        const uint8_t link = m_transport->GetLinkState();
        if (link == CAbstractTransport::LinkConnected)
        {
            m_transport->Close();
            return false;
        }
        if (link == CAbstractTransport::LinkClosed)
        {
            Connect();
            return true;
        }
        return false;
    }
    case StateConnecting:
        if (platform::ElapsedMs(Now(), m_lastAttempt) > m_reconnectWait)
            m_state = StateIdle;
        return false;
    default:
        return false;
    }
}

void CAbstractLutronDevice::OnConnected()
{
    // A new link starts with nothing of the old one's text.
    m_reader.Reset();
}

void CAbstractLutronDevice::OnDisconnected()
{
    m_state = StateIdle;
}

void CAbstractLutronDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    m_reader.Append(bytes, static_cast<int32_t>(length));
    LutronMessage message;
    while (m_reader.Next(message))
        OnMessage(message);
}

void CAbstractLutronDevice::OnMessage(const LutronMessage& message)
{
    switch (message.kind)
    {
    case LutronMessage::LoginPrompt:
        SendText(m_hasPassword ? m_loginName + "," + m_password + "\r" : m_loginName + "\r");
        return;
    case LutronMessage::ConnectionEstablished:
    {
        // The details asked for now replace those of an earlier link.
        {
            CCriticalSectionGuard guard(&m_tableLock);
            m_records.clear();
        }
        m_state = StateOnline;
        SendText("?DETAILS,0xFFFFFFFF,1\r\n");
        SendText("#MONITORING,255,1\r");
        return;
    }
    case LutronMessage::ClosingConnection:
        m_state = StateIdle;
        return;
    case LutronMessage::DeviceReport:
        OnMonitorDevice(message.serial, message.code, message.second, message.parameter);
        return;
    case LutronMessage::Details:
        OnDetails(message.details);
        return;
    default:
        return;
    }
}

void CAbstractLutronDevice::OnDetails(const LutronDetails& details)
{
    KeepDetails(details);
    // Every detailed device is then asked for its state.
    char query[40];
    std::snprintf(query, sizeof query, "?DEVICE,0x%.8x,0,0\r", details.serial);
    SendText(query);
}

void CAbstractLutronDevice::KeepDetails(const LutronDetails& details)
{
    CCriticalSectionGuard guard(&m_tableLock);
    m_records.push_back(details);
    if (details.family != LutronDetails::FamilyKeypad || details.serial == 0)
        return;
    for (const KeypadEntry& entry : m_keypads)
    {
        if (entry.serial == details.serial)
            return;
    }
    // With every entry taken, a further keypad is not entered.
    for (KeypadEntry& entry : m_keypads)
    {
        if (entry.serial == 0)
        {
            entry.serial = details.serial;
            entry.channel = 0;
            return;
        }
    }
}

int CAbstractLutronDevice::GroupOf(uint8_t code)
{
    if (code >= 38 && code <= 40)
        return 0;
    if (code >= 44 && code <= 46)
        return 1;
    if (code == 50 || code == 51 || code == 56)
        return 2;
    return -1;
}

void CAbstractLutronDevice::OnMonitorDevice(uint32_t serial, uint8_t code, uint8_t second, int16_t parameter)
{
    for (const auto& c : m_channels)
    {
        if (!c->TakesFeedback() || c->m_commandKind != CLutronCodec::kCommandDevice ||
            c->m_serial != serial || c->m_code != code)
            continue;
        if (code == CLutronCodec::kCodeIndicator)
        {
            const int16_t value = c->m_value.load();
            if (parameter >= 0 && parameter <= 255 && value == parameter)
                m_poster.Post(c->GetId(), EventSetItemState, value);
        }
        else if (code == CLutronCodec::kCodeLevel)
        {
            if (c->m_number == second && c->m_value.load() >= 0)
            {
                c->m_value = parameter;
                m_poster.Post(c->GetId(), EventSetItemValue, parameter);
            }
        }
        else
        {
            OnButton(*c, code, serial, second);
        }
    }
}

void CAbstractLutronDevice::OnButton(CLutronChannel& channel, uint8_t code, uint32_t serial, uint8_t action)
{
    const uint32_t id = channel.GetId();
    uint32_t lastInGroup = 0;
    const int group = GroupOf(code);
    {
        CCriticalSectionGuard guard(&m_tableLock);
        if (code <= kLastKeypadCode)
        {
            // The keypad rule: the first entry of this keypad whose stored channel is not the code
            // ends the scan; a stored channel there clears this button.
            for (const KeypadEntry& entry : m_keypads)
            {
                if (entry.serial != serial || entry.channel == code)
                    continue;
                if (entry.channel != 0)
                    m_poster.Post(id, EventSetItemValue, 0);
                break;
            }
        }
        if (action == kActionPress)
        {
            if (code <= kLastKeypadCode)
            {
                for (KeypadEntry& entry : m_keypads)
                {
                    if (entry.serial == serial)
                        entry.channel = id;
                }
            }
            if (group >= 0)
            {
                lastInGroup = m_groupChannels[group];
                m_groupChannels[group] = id;
            }
        }
    }
    if (action == kActionPress)
    {
        // Pressing a button of a group clears the one pressed before it.
        if (lastInGroup != 0 && lastInGroup != id)
            m_poster.Post(lastInGroup, EventSetItemState, 0);
        m_poster.Post(id, EventSetItemValue, 1.0);
    }
    else if (action == kActionRelease && group < 0)
    {
        m_poster.Post(id, EventSetItemValue, 0);
    }
}

std::vector<LutronDetails> CAbstractLutronDevice::GetDetails()
{
    CCriticalSectionGuard guard(&m_tableLock);
    return m_records;
}

std::array<CAbstractLutronDevice::KeypadEntry, CAbstractLutronDevice::kKeypadEntries>
CAbstractLutronDevice::GetKeypadTable()
{
    CCriticalSectionGuard guard(&m_tableLock);
    return m_keypads;
}
