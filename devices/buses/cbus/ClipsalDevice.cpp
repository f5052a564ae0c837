#include "devices/buses/cbus/ClipsalDevice.h"

#include <cstring>
#include <string>

#include "common/NerulanValue.h"
#include "devices/AbstractTransport.h"
#include "platform/Clock.h"

namespace
{
constexpr uint8_t kLighting = 0x38;
constexpr uint8_t kAircon = 0xAC;
constexpr uint8_t kApplicationData = 0xD0;
constexpr uint8_t kOn = 0x79;
constexpr uint8_t kOff = 0x01;

uint8_t BlockOf(uint8_t group)
{
    return static_cast<uint8_t>(group & 0xE0);
}
} // namespace

CClipsalDevice::~CClipsalDevice()
{
    DeleteTransport();
}

bool CClipsalDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                                uint32_t blobLength, const uint8_t* blob)
{
    return m_channels.AddLoaded(id, valueType, reportKind, direction, blobLength, blob) != nullptr;
}

bool CClipsalDevice::SendPacket()
{
    std::string text;
    if (!m_packet.Finish(text))
        return false;
    return SendToTransport(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
}

void CClipsalDevice::SendInit()
{
    static const char kInit[] = "~~~\r@A330005100\rA3300051\r";
    SendToTransport(reinterpret_cast<const uint8_t*>(kInit), sizeof kInit - 1);
}

bool CClipsalDevice::SendStatusRequest(const CClipsalChannel& channel, uint8_t block)
{
    CCriticalSectionGuard guard(SendLock());
    m_packet.Reset();
    m_packet.Begin(channel.path, channel.pathLength, channel.unit, channel.application);
    for (uint8_t b : {uint8_t{0xFF}, uint8_t{0x00}, uint8_t{0x73}, uint8_t{0x07}, channel.application, block})
        m_packet.Put(b);
    return SendPacket();
}

bool CClipsalDevice::SendCommand(const CClipsalChannel& channel, const uint8_t* data, uint8_t dataLength)
{
    if (channel.commandType == ClipsalStatusRequest)
        return SendStatusRequest(channel, BlockOf(channel.group));
    // Data 0 and data 1 are always there (the channel's array or a value's two bytes).
    const uint8_t data0 = data[0];
    const uint8_t data1 = data[1];
    CCriticalSectionGuard guard(SendLock());
    m_packet.Reset();
    m_packet.Begin(channel.path, channel.pathLength, channel.unit, channel.application);
    if (channel.commandType == ClipsalLevel)
    {
        m_packet.Put(channel.application);
        m_packet.Put(0x00);
        m_packet.Put(data0);
        m_packet.Put(channel.group);
        if (data0 != 0)
            m_packet.Put(data1);
        return SendPacket();
    }
    if (channel.application == kApplicationData)
    {
        for (uint8_t b : {kApplicationData, uint8_t{0x00}, channel.command, channel.group})
            m_packet.Put(b);
        for (uint8_t i = 0; i < dataLength; ++i)
            m_packet.Put(data[i]);
        return SendPacket();
    }
    if (channel.application == kAircon)
    {
        bool sent = false;
        const size_t header = m_packet.Bytes().size();
        CCriticalSectionGuard records(&m_recordLock);
        for (ClipsalHvacZone& zone : m_zones)
        {
            if (zone.Group() != channel.group)
                continue;
            ClipsalHvacZone copy = zone;
            if (!copy.ChangeField(channel.commandType, channel.command, data1))
                continue;
            std::vector<uint8_t> begin(m_packet.Bytes().begin(), m_packet.Bytes().begin() + header);
            m_packet.Reset();
            for (uint8_t b : begin)
                m_packet.Put(b);
            m_packet.Put(kAircon);
            m_packet.Put(0x00);
            if (channel.command <= 5 || channel.command == 0x13)
            {
                for (uint8_t b : {uint8_t{0x2F}, copy.Group(), copy.ZoneList(), copy.ModeByte(),
                                  copy.bytes[24], copy.bytes[21], copy.LevelByte()})
                    m_packet.Put(b);
            }
            sent = SendPacket() || sent;
            zone = copy;
        }
        return sent;
    }
    uint8_t command = channel.command;
    if (channel.commandType == ClipsalToggle)
    {
        CCriticalSectionGuard records(&m_recordLock);
        const ApplicationStatus* status = FindStatus(channel.application);
        if (status && status->levels[channel.group] != 0)
            command = kOff;
    }
    for (uint8_t b : {channel.application, uint8_t{0x00}, command, channel.group})
        m_packet.Put(b);
    return SendPacket();
}

void CClipsalDevice::FollowUpStatus(const CClipsalChannel& channel)
{
    const uint32_t now = Now();
    if (!m_statusSent || platform::ElapsedMs(now, m_lastStatusRequest) > kStatusSpacing)
    {
        SendStatusRequest(channel, BlockOf(channel.group));
        m_lastStatusRequest = now;
        m_statusSent = true;
    }
    else if (!m_statusPending)
    {
        m_pendingChannel = &channel;
        m_statusPending = true;
    }
}

bool CClipsalDevice::Press(uint16_t id, CNerulanValue*)
{
    const CClipsalChannel* channel = m_channels.Find(id);
    if (!channel)
        return false;
    if (channel->commandType == ClipsalLevel)
        return true;
    SendCommand(*channel, channel->data, channel->dataLength);
    if (channel->application == kLighting)
        FollowUpStatus(*channel);
    return true;
}

bool CClipsalDevice::SetValue(uint16_t id, CNerulanValue* value)
{
    const CClipsalChannel* channel = m_channels.Find(id);
    if (!channel)
        return false;
    const uint8_t data[2] = {static_cast<uint8_t>(channel->data[0] ? channel->data[0] : 2),
                             static_cast<uint8_t>(value ? value->GetInt() & 0xFF : 0)};
    SendCommand(*channel, data, 2);
    return true;
}

bool CClipsalDevice::SendBytes(const uint8_t* bytes, uint32_t length)
{
    if (bytes && length)
        SendToTransport(bytes, length);
    return false;
}

bool CClipsalDevice::Update()
{
    if (GetState() == StateOnline)
    {
        if (m_setupPending.exchange(false))
            SendInit();
        if (m_statusPending && platform::ElapsedMs(Now(), m_lastStatusRequest) > kStatusSpacing)
        {
            const CClipsalChannel* channel = m_pendingChannel.load();
            m_statusPending = false;
            if (channel)
                SendStatusRequest(*channel, BlockOf(channel->group));
        }
    }
    return StandardUpdate();
}

void CClipsalDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    if (!bytes || length == 0)
        return;
    // A stream full of text that never formed an item gives way to the new bytes.
    if (m_in.Pending() + static_cast<int64_t>(length) > m_in.Capacity())
    {
        m_in.Reset();
        m_reader.Reset();
    }
    if (length > static_cast<uint32_t>(m_in.Capacity()))
    {
        bytes += length - static_cast<uint32_t>(m_in.Capacity());
        length = static_cast<uint32_t>(m_in.Capacity());
    }
    m_in.Append(bytes, static_cast<int32_t>(length));
    ClipsalItem item;
    while (m_reader.Next(m_in, item))
    {
        switch (item.kind)
        {
        case ClipsalItem::Monitored:
            m_decoder.DecodeMonitored(item.bytes.data(), item.bytes.size());
            break;
        case ClipsalItem::StatusReply:
            m_decoder.DecodeStatusReply(item.bytes.data(), item.bytes.size());
            break;
        case ClipsalItem::AtLine:
            RequestAllStatus();
            break;
        default:
            break;
        }
    }
}

void CClipsalDevice::RequestAllStatus()
{
    std::vector<uint16_t> asked; // application << 8 | block
    for (const auto& channel : m_channels)
    {
        {
            CCriticalSectionGuard records(&m_recordLock);
            if (!FindStatus(channel->application))
            {
                ApplicationStatus status;
                status.application = channel->application;
                m_status.push_back(status);
            }
        }
        const uint16_t key = static_cast<uint16_t>(channel->application << 8 | BlockOf(channel->group));
        bool done = false;
        for (uint16_t k : asked)
            done = done || k == key;
        if (done)
            continue;
        asked.push_back(key);
        SendStatusRequest(*channel, BlockOf(channel->group));
    }
}

CClipsalDevice::ApplicationStatus* CClipsalDevice::FindStatus(uint8_t application)
{
    for (ApplicationStatus& status : m_status)
    {
        if (status.application == application)
            return &status;
    }
    return nullptr;
}

uint8_t CClipsalDevice::StoredLevel(uint8_t application, uint8_t group)
{
    CCriticalSectionGuard records(&m_recordLock);
    const ApplicationStatus* status = FindStatus(application);
    return status ? status->levels[group] : 0;
}

bool CClipsalDevice::PathMatches(const CClipsalChannel& channel, const Source& source)
{
    if (channel.pathLength == 0)
        return true;
    return std::memcmp(channel.path, source.path, source.pathLength) == 0;
}

void CClipsalDevice::OnLevel(const Source& source, uint8_t application, uint8_t command, uint8_t group,
                             uint8_t level)
{
    for (const auto& c : m_channels)
    {
        if ((c->unit != 0 && c->unit != source.unit) || !PathMatches(*c, source) ||
            c->application != application || c->group != group || !c->TakesFeedback())
            continue;
        double value = level;
        if (command != 0)
        {
            switch (c->commandType)
            {
            case 1:
            case 2:
                if (command == kOn || command == kOff)
                    value = command == c->command ? 1.0 : 0.0;
                else
                    value = c->command == kOff ? 0.0 : 1.0;
                break;
            case ClipsalToggle:
                value = command == c->command ? 1.0 : 0.0;
                break;
            case ClipsalLevel:
                if (command == kOn)
                    value = 255.0;
                else if (command == kOff)
                    value = 0.0;
                else if (command == 0x02)
                    value = level;
                else
                    continue;
                break;
            default:
                break;
            }
        }
        else if (c->commandType == ClipsalToggle)
        {
            if (c->command == kOn)
                value = level != 0 ? 1.0 : 0.0;
            else if (c->command == kOff)
                value = level != 0 ? 0.0 : 1.0;
        }
        m_poster.Post(c->GetId(), EventSetItemValue, value);
    }
}

void CClipsalDevice::OnStoreLevel(uint8_t application, uint8_t group, uint8_t level)
{
    CCriticalSectionGuard records(&m_recordLock);
    ApplicationStatus* status = FindStatus(application);
    if (status)
        status->levels[group] = level;
}

void CClipsalDevice::OnLevelUnavailable(const Source&, uint8_t application, uint8_t block)
{
    const CClipsalChannel* last = nullptr;
    for (const auto& c : m_channels)
    {
        if (c->application == application && BlockOf(c->group) == block)
            last = c.get();
    }
    if (!last)
        return;
    m_pendingChannel = last;
    m_statusPending = true;
    m_lastStatusRequest = Now();
    m_statusSent = true;
}

ClipsalHvacZone& CClipsalDevice::TakeZone(uint8_t group)
{
    for (ClipsalHvacZone& zone : m_zones)
    {
        if (zone.Group() == group)
            return zone;
    }
    m_zones.emplace_back();
    m_zones.back().bytes[0] = group;
    return m_zones.back();
}

void CClipsalDevice::OnHvac(const Source&, const uint8_t* command, size_t)
{
    ClipsalHvacZone copy;
    {
        CCriticalSectionGuard records(&m_recordLock);
        ClipsalHvacZone& zone = TakeZone(command[1]);
        zone.Apply(command);
        copy = zone;
    }
    UpdateHvacChannels(copy);
}

void CClipsalDevice::UpdateHvacChannels(const ClipsalHvacZone& zone)
{
    if (zone.Group() == 0)
        return;
    for (const auto& c : m_channels)
    {
        if (c->application != kAircon || c->group != zone.Group() || c->data[0] != zone.Kind() ||
            !c->TakesFeedback())
            continue;
        double value = 0;
        if (zone.FieldValue(c->command, c->data[1], value))
            m_poster.Post(c->GetId(), EventSetItemValue, value);
    }
}

void CClipsalDevice::OnMeasurement(const Source& source, uint8_t application, uint8_t data0, bool withSecond,
                                   uint8_t data1, double value)
{
    for (const auto& c : m_channels)
    {
        if ((c->unit != 0 && c->unit != source.unit) || !PathMatches(*c, source) ||
            c->application != application || c->data[0] != data0 || (withSecond && c->data[1] != data1) ||
            !c->TakesFeedback())
            continue;
        m_poster.Post(c->GetId(), EventSetItemValue, value);
    }
}
