#include "devices/buses/cbus/ClipsalGateDevice.h"

#include "common/NerulanValue.h"
#include "devices/DeviceParams.h"
#include "platform/Clock.h"

namespace
{
constexpr uint8_t kLighting = 0x38;
constexpr uint8_t kHvac1 = 0x73;
constexpr uint8_t kHvac2 = 0x74;
constexpr uint8_t kAircon = 0xAC;
constexpr uint8_t kMeasurement = 0xE4;
constexpr uint8_t kOn = 0x79;
constexpr uint8_t kOff = 0x01;
constexpr uint8_t kRamp = 2;
constexpr uint8_t kTerminateRamp = 9;

uint8_t LowByte(int32_t v)
{
    return static_cast<uint8_t>(v & 0xFF);
}
} // namespace

CClipsalGateDevice::~CClipsalGateDevice()
{
    DeleteTransport();
}

bool CClipsalGateDevice::Configure(DeviceParams* params)
{
    if (!params)
        return false;
    // A record without a parameter text has the empty project name, never a missing one.
    m_project = params->text ? params->text : "";
    return OpenTcpTransport(params);
}

bool CClipsalGateDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                                    uint32_t blobLength, const uint8_t* blob)
{
    return m_channels.AddLoaded(id, valueType, reportKind, direction, blobLength, blob) != nullptr;
}

void CClipsalGateDevice::SendText(const std::string& text)
{
    if (!text.empty())
        SendToTransport(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
}

bool CClipsalGateDevice::Press(uint16_t id, CNerulanValue*)
{
    if (m_phase != PhaseReady)
        return false;
    const CClipsalGateChannel* channel = m_channels.Find(id);
    if (!channel)
        return false;
    uint8_t command = channel->command;
    if (channel->commandType == 5 && channel->application != kAircon)
    {
        CCriticalSectionGuard records(&m_recordLock);
        if (const LevelRecord* record = FindRecord(channel->network, channel->application))
            command = record->levels[channel->group] != 0 ? kOff : kOn;
    }
    SendGateCommand(*channel, command, channel->data[0], channel->data[1]);
    return true;
}

bool CClipsalGateDevice::SetValue(uint16_t id, CNerulanValue* value)
{
    const CClipsalGateChannel* channel = m_channels.Find(id);
    if (!channel)
        return false;
    const uint8_t data0 = channel->data[0] ? channel->data[0] : 2;
    SendGateCommand(*channel, channel->command, data0, value ? LowByte(value->GetInt()) : 0);
    return false;
}

bool CClipsalGateDevice::SendBytes(const uint8_t* bytes, uint32_t length)
{
    if (bytes && length)
        SendToTransport(bytes, length);
    return false;
}

void CClipsalGateDevice::SendGateCommand(const CClipsalGateChannel& channel, uint8_t command, uint8_t data0,
                                         uint8_t data1)
{
    if (channel.application == kAircon)
    {
        std::vector<std::string> lines;
        {
            CCriticalSectionGuard records(&m_recordLock);
            for (const ClipsalHvacZone& zone : m_zones)
            {
                if (zone.Group() != channel.group)
                    continue;
                // The record keeps its contents: the server's events bring the change back.
                ClipsalHvacZone copy = zone;
                if (copy.ChangeField(channel.commandType, channel.command, data1))
                    lines.push_back(ClipsalGateText::Aircon(m_project, channel.network, copy, channel.command,
                                                            data0, data1));
            }
        }
        CCriticalSectionGuard guard(SendLock());
        for (const std::string& line : lines)
            SendText(line);
        return;
    }
    CCriticalSectionGuard guard(SendLock());
    switch (channel.commandType)
    {
    case 4:
        SendText(
            ClipsalGateText::Ramp(m_project, channel.network, channel.application, channel.group, data1));
        break;
    case 5:
        if (command == kOn || command == kOff)
            SendText(ClipsalGateText::OnOff(m_project, channel.network, channel.application, channel.group,
                                            command == kOn));
        break;
    default:
        SendText("\r\n");
        break;
    }
}

bool CClipsalGateDevice::Update()
{
    if (GetState() == StateOnline && m_phase == PhaseNoNetwork)
    {
        // Asked again every few seconds, not on every tick, until a network is ready.
        const uint32_t now = Now();
        if (!m_treeSent || platform::ElapsedMs(now, m_lastTree) >= kTreeRepeat)
        {
            m_treeSent = true;
            m_lastTree = now;
            CCriticalSectionGuard guard(SendLock());
            SendText(Tree());
        }
    }
    return StandardUpdate();
}

void CClipsalGateDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    if (!bytes || length == 0)
        return;
    while (length > 0)
    {
        // The reader takes whole lines and drops over-long ones, so the stream always has room
        // for one more reader's worth of bytes.
        const int32_t room = m_in.Capacity() - m_in.Pending();
        const uint32_t part = length < static_cast<uint32_t>(room) ? length : static_cast<uint32_t>(room);
        if (part == 0)
        {
            m_in.Reset();
            m_reader.Reset();
            continue;
        }
        m_in.Append(bytes, static_cast<int32_t>(part));
        bytes += part;
        length -= part;
        ClipsalGateLine line;
        while (m_reader.Next(m_in, line))
        {
            if (line.kind == ClipsalGateLine::Reply)
                OnCodeReply(line);
            else
                OnEvent(line);
        }
    }
}

void CClipsalGateDevice::OnCodeReply(const ClipsalGateLine& line)
{
    const std::string& p = m_project;
    const uint8_t phase = m_phase;
    CCriticalSectionGuard guard(SendLock());
    // Each phase is set before its request leaves, so whoever sees the request sees its phase.
    switch (line.code)
    {
    case 201:
        m_phase = PhaseLoaded;
        SendText("project load " + p + "\r\n" + "events e1s1c0\r\n");
        break;
    case 200:
        if (phase == PhaseLoaded)
        {
            m_phase = PhaseStarted;
            SendText("project start " + p + "\r\n" + Tree());
        }
        else if (phase == PhaseStarted)
        {
            m_phase = PhaseListed;
            SendText("net list_all\r\n");
        }
        else if (phase == PhaseOpened)
        {
            m_phase = PhaseSyncRequested;
            SendText("net sync //" + p + "/*\r\n");
        }
        break;
    case 135:
        if (line.text == "no networks found")
            m_phase = PhaseNoNetwork;
        else
        {
            m_phase = PhaseOpened;
            SendText("net open //" + p + "/*\r\n");
        }
        break;
    case 120:
        if (phase == PhaseSyncRequested && line.text.find("started") != std::string::npos)
            m_phase = PhaseSyncStarted;
        else if (phase == PhaseSyncStarted && line.text.find("finished") != std::string::npos)
        {
            m_phase = PhaseTreeRequested;
            SendText(Tree());
        }
        break;
    case 408:
        if (phase == PhaseSyncRequested)
            SendText("net sync //" + p + "/*\r\n");
        else if (line.text.find("sync failed") != std::string::npos)
            m_phase = PhaseNoNetwork;
        break;
    case 320:
        if (line.text.compare(0, 7, "Network") == 0)
            OnNetworkLine(line.text);
        break;
    default:
        break;
    }
    if (m_phase == PhaseNoNetwork && phase != PhaseNoNetwork)
        m_treeSent = false;
}

void CClipsalGateDevice::OnNetworkLine(const std::string& text)
{
    uint8_t network = 0;
    uint8_t state = 0;
    if (!ClipsalGateText::ParseNetworkLine(text, network, state))
        return;
    {
        CCriticalSectionGuard records(&m_recordLock);
        bool known = false;
        for (auto& n : m_networks)
        {
            if (n.first == network)
            {
                n.second = state;
                known = true;
            }
        }
        // One record per network, so a chatty server cannot grow the list.
        if (!known)
            m_networks.emplace_back(network, state);
    }
    if (state == 1)
        m_phase = PhaseReady;
}

void CClipsalGateDevice::OnEvent(const ClipsalGateLine& line)
{
    if (line.eventClass != 's')
        return;
    ClipsalGateEvent event;
    if (!event.Parse(line.text) || !event.addressed)
        return;
    const uint8_t application = ClipsalGateText::ApplicationCode(event.applicationName);
    int32_t level = event.level;
    switch (application)
    {
    case kLighting:
        if (event.command == kRamp || event.command == kTerminateRamp)
            level = event.Value(0);
        // A ramp that takes time is still under way: the channels follow its end, not its start.
        if (!(event.command == kRamp && event.Value(1) != 0))
            UpdateChannels(event, level);
        break;
    case kHvac1:
    case kHvac2:
        if (event.command != kOn && event.command != kOff && event.valueCount > 0)
            level = event.Value(0);
        UpdateChannels(event, level);
        break;
    case kAircon:
        OnAirconEvent(event);
        break;
    case kMeasurement:
        level = event.Value(1) * event.Value(0);
        UpdateChannels(event, level);
        break;
    default:
        break;
    }
    if (event.network != 0 && event.application != 0)
        StoreLevel(event.network, event.application, event.group,
                   static_cast<uint8_t>(level < 0     ? 0
                                        : level > 255 ? 255
                                                      : level));
}

void CClipsalGateDevice::UpdateChannels(const ClipsalGateEvent& event, int32_t level)
{
    if (event.project != m_project)
        return;
    for (const auto& c : m_channels)
    {
        if (c->network != event.network || c->application != event.application || c->group != event.group ||
            (c->command != kOn && c->command != kOff) || !c->TakesFeedback())
            continue;
        if (c->commandType != 4 && c->commandType != 5)
            continue;
        double value;
        if (event.command == kOff)
            value = 0.0;
        else if (event.command == kOn)
            value = c->commandType == 5 ? 1.0 : 255.0;
        else if (c->commandType == 5)
            value = level != 0 ? 1.0 : 0.0;
        else
            value = level;
        m_poster.Post(c->GetId(), EventSetItemValue, value);
    }
}

void CClipsalGateDevice::OnAirconEvent(const ClipsalGateEvent& e)
{
    const uint8_t group = LowByte(e.Value(0));
    ClipsalHvacZone copy;
    {
        CCriticalSectionGuard records(&m_recordLock);
        ClipsalHvacZone* zone = nullptr;
        for (ClipsalHvacZone& z : m_zones)
        {
            if (z.Group() == group)
                zone = &z;
        }
        if (!zone)
        {
            m_zones.emplace_back();
            zone = &m_zones.back();
            zone->bytes[0] = group;
            zone->bytes[1] = 1;
        }
        uint8_t* b = zone->bytes;
        const std::string& w = e.eventWord;
        if (w == "set_ward_off")
            b[25] = 0;
        else if (w == "set_ward_on")
            b[25] = 1;
        else if (w == "zone_hvac_plant_status")
        {
            b[2] = LowByte(e.Value(1));
            const int32_t flags = e.Value(2);
            b[8] = LowByte(flags & 1);
            b[9] = LowByte(flags & 2);
            b[12] = LowByte(flags & 4);
            b[13] = LowByte(flags & 8);
            b[14] = LowByte(flags & 0x20);
            b[17] = LowByte(e.Value(3));
        }
        else if (w == "zone_temperature")
        {
            b[2] = LowByte(e.Value(1));
            zone->temperature = LowByte(e.Value(2) >> 8);
        }
        else if (w == "set_zone_hvac_mode")
        {
            b[2] = LowByte(e.Value(1));
            for (int i = 0; i < 5; ++i)
                b[3 + i] = LowByte(e.Value(2 + static_cast<size_t>(i)));
            b[24] = LowByte(e.Value(7));
            b[21] = LowByte(e.Value(8) >> 8);
            b[15] = LowByte(e.Value(9) & 0x3F);
            b[16] = LowByte(e.Value(9) & 0x40);
        }
        else if (w == "set_plant_hvac_level" || w == "DATA")
        {
            b[2] = LowByte(e.Value(1));
            b[24] = LowByte(e.Value(7));
            b[23] = LowByte(e.Value(8));
        }
        copy = *zone;
    }
    UpdateHvacChannels(copy);
}

void CClipsalGateDevice::UpdateHvacChannels(const ClipsalHvacZone& zone)
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

CClipsalGateDevice::LevelRecord* CClipsalGateDevice::FindRecord(uint8_t network, uint8_t application)
{
    for (LevelRecord& r : m_levels)
    {
        if (r.network == network && r.application == application)
            return &r;
    }
    return nullptr;
}

void CClipsalGateDevice::StoreLevel(uint8_t network, uint8_t application, uint8_t group, uint8_t level)
{
    CCriticalSectionGuard records(&m_recordLock);
    LevelRecord* record = FindRecord(network, application);
    if (!record)
    {
        if (m_levels.size() >= kMaxRecords)
            return;
        m_levels.emplace_back();
        record = &m_levels.back();
        record->network = network;
        record->application = application;
    }
    record->levels[group] = level;
}

uint8_t CClipsalGateDevice::StoredLevel(uint8_t network, uint8_t application, uint8_t group)
{
    CCriticalSectionGuard records(&m_recordLock);
    const LevelRecord* record = FindRecord(network, application);
    return record ? record->levels[group] : 0;
}
