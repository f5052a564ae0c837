#include "devices/controllers/amx/AMXDevice.h"

#include <cstdio>
#include <cstring>

#include "common/NerulanValue.h"
#include "common/StringFunctions.h"
#include "devices/AbstractTransport.h"
#include "devices/DeviceParams.h"
#include "devices/controllers/amx/AMXKeyGenerator.h"
#include "platform/Clock.h"

namespace
{
// No message may outgrow its 16-bit length, nor its envelope's.
constexpr size_t kMaxPayload = 0xFFFF - 10 - CAMXCodec::kHeaderLength - 1;

void SetSerial(AMXDeviceInfo& info, const char* serial)
{
    std::memset(info.serial, 0, sizeof info.serial);
    if (serial)
        std::memcpy(info.serial, serial, strnlen(serial, sizeof info.serial));
}

std::string TextOr(const char* text, const char* fallback)
{
    return text ? text : fallback;
}

uint16_t ClampWord(uint32_t value)
{
    return value > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(value);
}
} // namespace

CAMXDevice::CAMXDevice()
{
    m_sensorInfo.flag = 1;
    m_sensorInfo.name = "Sensor";
    m_sensorInfo.version = "v1.0";
    m_sensorInfo.maker = "Talvenor Ltd.";
    SetSerial(m_sensorInfo, "10");
    m_destination.port = 1;
    m_source.port = 1;
    SupplyPayloadFor(EventSetItemText);
    SupplyPayloadFor(EventEditBoxInsertText);
}

CAMXDevice::~CAMXDevice()
{
    // The transport's thread ends before anything it calls into goes.
    if (m_transport)
        m_transport->Close();
    if (GetState() == StateOnline)
        ClearFeedback();
    DeleteTransport();
}

bool CAMXDevice::Connect()
{
    return StandardConnect();
}

void CAMXDevice::Disconnect()
{
    CloseTransport();
    if (GetState() == StateOnline)
        ClearFeedback();
    m_state = StateIdle;
}

bool CAMXDevice::Configure(DeviceParams* params)
{
    m_source.device = static_cast<uint16_t>(params->value);
    m_panelInfo.flag = 0;
    m_panelInfo.name = TextOr(params->product, "");
    m_panelInfo.version = TextOr(params->version, "");
    m_panelInfo.maker = TextOr(params->maker, "");
    SetSerial(m_panelInfo, params->serial);
    m_userName = TextOr(params->text, "");
    m_password = TextOr(params->password, "");
    // A host that cannot be opened now is tried again by the reconnect cycle.
    OpenTcpTransport(params);
    return true;
}

bool CAMXDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                            uint32_t blobLength, const uint8_t* blob)
{
    CCriticalSectionGuard guard(&m_channelLock);
    CAMXChannel* channel = m_channels.AddLoaded(id, valueType, reportKind, direction, blobLength, blob);
    if (channel->GetPort() > m_highestPort)
        m_highestPort = channel->GetPort();
    if (channel->Is(AmxClassChannel, AmxKindChannel) && channel->GetNumber() > m_highestChannel)
        m_highestChannel = channel->GetNumber();
    if (channel->Is(AmxClassLevel, AmxKindLevel) && channel->GetNumber() > m_highestLevel)
        m_highestLevel = channel->GetNumber();
    return true;
}

// ---- Channels -------------------------------------------------------------------------------------

CAMXChannel* CAMXDevice::FindChannel(uint32_t number, uint8_t channelClass, uint8_t kind, uint16_t port)
{
    CCriticalSectionGuard guard(&m_channelLock);
    for (const auto& c : m_channels)
    {
        if (c->GetClass() == channelClass && c->Matches(kind, port, number))
            return c.get();
    }
    return nullptr;
}

size_t CAMXDevice::GetChannelCount()
{
    CCriticalSectionGuard guard(&m_channelLock);
    return m_channels.Size();
}

int32_t CAMXDevice::FindChannelId(uint32_t address, uint8_t channelClass, uint8_t kind, uint16_t port)
{
    CAMXChannel* channel = FindChannel(address, channelClass, kind, port);
    return channel ? static_cast<int32_t>(channel->GetAddressChannel()) : -1;
}

int32_t CAMXDevice::FindOrCreateLocalChannel(uint32_t channelNumber, uint16_t port)
{
    // Find and append under one lock, so that two commands never make the same channel twice.
    CCriticalSectionGuard guard(&m_channelLock);
    if (CAMXChannel* found = FindChannel(channelNumber, AmxClassChannel, AmxKindChannel, port))
        return static_cast<int32_t>(found->GetAddressChannel());
    const uint32_t id = kLocalIdBase | static_cast<uint32_t>(m_channels.Size());
    // Past the cap, or when a loaded channel already answers to that id, no channel is made:
    // a row would otherwise press another channel than its own.
    if (m_localChannels >= kMaxLocalChannels || m_channels.Size() >= kLocalIdBase ||
        m_channels.Find(static_cast<uint16_t>(id)))
        return -1;
    m_channels.Add(CAMXChannel::CreateLocal(id, port, channelNumber));
    ++m_localChannels;
    return static_cast<int32_t>(id);
}

// ---- Item operations (tick thread) ----------------------------------------------------------------

bool CAMXDevice::Press(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    CAMXChannel* c;
    {
        CCriticalSectionGuard guard(&m_channelLock);
        c = m_channels.Find(channel);
    }
    if (!c)
        return false;
    c->m_rampAccumulator = 0;
    if (c->Is(AmxClassChannel, AmxKindChannel))
    {
        if (c->GetPort() != 0)
            SendChannel(CmdPush, *c);
        else
            RunLocalAction(*c);
    }
    else if (c->Is(AmxClassText, AmxKindCommand))
    {
        if (c->GetPort() != 0)
        {
            SendText(CmdSendCommand, c->GetPort(), c->GetText(), false);
        }
        else
        {
            // The interpreter may cut its text up: it gets its own copy.
            std::vector<char> text(c->GetText().begin(), c->GetText().end());
            text.push_back(0);
            ExecuteCommand(1, text.data());
        }
    }
    else if (c->Is(AmxClassLevel, AmxKindPreset))
    {
        const AmxLevelTriple& triple = c->GetTriple();
        SendLevel(c->GetPort(), triple.level, triple.value);
        if (CAMXChannel* level = FindChannel(triple.level, AmxClassLevel, AmxKindLevel, c->GetPort()))
            PostValue(level->GetId(), EventSetSliderValue, static_cast<float>(triple.value));
    }
    else if (c->Is(AmxClassLevel, AmxKindRamp))
    {
        // The first hold tick steps at once.
        c->m_rampAccumulator = c->GetTriple().period;
    }
    return false;
}

bool CAMXDevice::Release(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    CAMXChannel* c;
    {
        CCriticalSectionGuard guard(&m_channelLock);
        c = m_channels.Find(channel);
    }
    if (!c || !c->Is(AmxClassChannel, AmxKindChannel))
        return false;
    return SendChannel(CmdRelease, *c);
}

bool CAMXDevice::Hold(uint16_t channel, uint32_t elapsedMs)
{
    CAMXChannel* c;
    {
        CCriticalSectionGuard guard(&m_channelLock);
        c = m_channels.Find(channel);
    }
    if (!c || !c->Is(AmxClassLevel, AmxKindRamp))
        return false;
    const AmxLevelTriple& triple = c->GetTriple();
    c->m_rampAccumulator += elapsedMs;
    if (c->m_rampAccumulator <= triple.period)
        return false;
    c->m_rampAccumulator = 0;
    if (CAMXChannel* level = FindChannel(triple.level, AmxClassLevel, AmxKindLevel, c->GetPort()))
        PostValue(level->GetId(), EventStepItemValue, static_cast<float>(triple.value));
    return false;
}

bool CAMXDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    CAMXChannel* c;
    {
        CCriticalSectionGuard guard(&m_channelLock);
        c = m_channels.Find(channel);
    }
    if (!c || !value || !c->Is(AmxClassLevel, AmxKindLevel))
        return false;
    return SendLevel(c->GetPort(), static_cast<uint16_t>(c->GetNumber()), value->GetInt());
}

bool CAMXDevice::SendBytes(const uint8_t* bytes, uint32_t length)
{
    const std::string text =
        bytes && length > 0 ? std::string(reinterpret_cast<const char*>(bytes), length) : "";
    return SendText(CmdSendString, 1, text, false);
}

// ---- Keep-alive and time-outs (tick thread) -------------------------------------------------------

bool CAMXDevice::Update()
{
    UpdateVirtualChannels();
    DispatchEvents();
    const uint32_t now = Now();
    switch (GetState())
    {
    case StateIdle:
    {
        if (!m_transport || platform::ElapsedMs(now, m_dropTime.load()) <= kReconnectDelay)
            break;
        const uint8_t link = m_transport->GetLinkState();
        if (link == CAbstractTransport::LinkConnectRequested || link == CAbstractTransport::LinkConnected)
        {
            m_transport->Close();
            break;
        }
        m_lastAttempt = now;
        Connect();
        break;
    }
    case StateConnecting:
        if (platform::ElapsedMs(now, m_lastAttempt.load()) > m_reconnectWait)
            m_state = StateIdle;
        break;
    case StateOnline:
        if (!m_transport || m_transport->IsConnected())
        {
            m_linkLostTime = 0;
            // Silence drops the link without clearing the feedback; the idle step closes it.
            if (platform::ElapsedMs(now, m_lastReceive.load()) > kSilenceTimeout)
                m_state = StateIdle;
            break;
        }
        if (m_linkLostTime.load() == 0)
            m_linkLostTime = now == 0 ? 1 : now;
        if (platform::ElapsedMs(now, m_linkLostTime.load()) > m_linkLostGrace)
            Disconnect();
        break;
    default:
        Disconnect();
        break;
    }
    return true;
}

void CAMXDevice::OnConnected()
{
    m_state = StateConnecting;
    {
        CCriticalSectionGuard guard(SendLock());
        m_destination = AMXAddress{0, 1, 0};
        m_source.port = 1;
        m_source.system = 0;
        m_keyDigest.reset();
        m_answerDigest.reset();
        m_cipher.reset();
    }
    // A new link starts with nothing of the old one's bytes.
    m_in.Reset();
    SendDeviceInfo();
}

void CAMXDevice::OnDisconnected()
{
    m_dropTime = Now();
    if (GetState() == StateOnline)
        ClearFeedback();
    m_state = StateIdle;
}

void CAMXDevice::ClearFeedback()
{
    CCriticalSectionGuard guard(&m_channelLock);
    for (const auto& c : m_channels)
    {
        if (c->Is(AmxClassChannel, AmxKindChannel) || c->Is(AmxClassLevel, AmxKindLevel))
            PostValue(c->GetId(), EventSetItemValue, 0.0f);
    }
}

void CAMXDevice::PostValue(uint32_t channel, uint8_t kind, float value)
{
    PostEvent(CDeviceEvent::MakeFloat(channel, kind, value));
}

// ---- Sending --------------------------------------------------------------------------------------

bool CAMXDevice::SendMessage(uint16_t command, const std::vector<uint8_t>& payload, uint16_t flags,
                             uint16_t messageId, bool encrypt)
{
    if (payload.size() > kMaxPayload)
        return false;
    // One message at a time from either thread: id, addresses, cipher and send belong together.
    CCriticalSectionGuard guard(SendLock());
    AMXHeader header;
    header.flags = flags;
    header.destination = m_destination;
    header.source = m_source;
    header.hops = CAMXCodec::kHopCount;
    if (messageId == 0)
    {
        m_messageId = CAMXCodec::NextMessageId(m_messageId);
        messageId = m_messageId;
    }
    header.messageId = messageId;
    header.command = command;
    const std::vector<uint8_t> message = CAMXCodec::BuildMessage(header, payload);
    if (!m_cipher || !encrypt)
        return SendToTransport(message.data(), static_cast<uint32_t>(message.size()));
    const std::vector<uint8_t> envelope =
        CAMXCodec::BuildEnvelope(message, m_source.system, m_source.device, *m_cipher);
    return SendToTransport(envelope.data(), static_cast<uint32_t>(envelope.size()));
}

std::vector<uint8_t> CAMXDevice::PortPayload(uint16_t port)
{
    CCriticalSectionGuard guard(SendLock());
    std::vector<uint8_t> payload;
    CAMXCodec::PutWord(payload, m_source.device);
    CAMXCodec::PutWord(payload, port);
    CAMXCodec::PutWord(payload, m_source.system);
    return payload;
}

bool CAMXDevice::SendChannel(uint16_t command, const CAMXChannel& channel)
{
    CCriticalSectionGuard guard(SendLock());
    std::vector<uint8_t> payload = PortPayload(channel.GetPort());
    CAMXCodec::PutWord(payload, static_cast<uint16_t>(channel.GetNumber()));
    return SendMessage(command, payload);
}

bool CAMXDevice::SendLevel(uint16_t port, uint16_t level, int32_t value)
{
    CCriticalSectionGuard guard(SendLock());
    std::vector<uint8_t> payload = PortPayload(port);
    CAMXCodec::PutWord(payload, level);
    payload.push_back(0x21);
    CAMXCodec::PutWord(payload, static_cast<uint16_t>(value));
    return SendMessage(CmdLevelValue, payload);
}

bool CAMXDevice::SendText(uint16_t command, uint16_t port, const std::string& text, bool trailingZero)
{
    if (text.size() > kMaxPayload - 16)
        return false;
    CCriticalSectionGuard guard(SendLock());
    std::vector<uint8_t> payload = PortPayload(port);
    payload.push_back(1);
    CAMXCodec::PutWord(payload, static_cast<uint16_t>(text.size()));
    payload.insert(payload.end(), text.begin(), text.end());
    if (trailingZero)
        payload.push_back(0);
    return SendMessage(command, payload);
}

void CAMXDevice::SendAck(uint16_t messageId)
{
    SendMessage(CmdAck, {}, kFlags, messageId);
}

uint32_t CAMXDevice::ReadLocalAddress()
{
    const uint32_t address = m_transport ? m_transport->GetLocalAddress() : 0;
    m_localAddress = address;
    return address;
}

void CAMXDevice::SendPingReply(uint16_t messageId)
{
    const uint32_t address = m_localAddress.load();
    CCriticalSectionGuard guard(SendLock());
    std::vector<uint8_t> payload;
    CAMXCodec::PutWord(payload, m_source.device);
    CAMXCodec::PutWord(payload, m_source.system);
    CAMXCodec::PutWord(payload, m_panelInfo.firstId);
    CAMXCodec::PutWord(payload, m_panelInfo.secondId);
    payload.push_back(2);
    payload.push_back(4);
    // The address as the socket gives it has its first octet in the lowest byte.
    for (int shift = 0; shift < 32; shift += 8)
        payload.push_back(static_cast<uint8_t>(address >> shift));
    SendMessage(CmdPingReply, payload, kFlags, messageId);
}

void CAMXDevice::SendDeviceInfo()
{
    const uint32_t address = ReadLocalAddress();
    CCriticalSectionGuard guard(SendLock());
    m_panelInfo.addressType = 2;
    m_panelInfo.address = {static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8),
                           static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 24)};
    std::vector<uint8_t> payload;
    CAMXCodec::PutWord(payload, m_source.device);
    CAMXCodec::PutWord(payload, m_source.system);
    CAMXCodec::PutWord(payload, 0);
    CAMXCodec::PutDeviceInfo(payload, m_panelInfo);
    SendMessage(CmdDeviceInfo, payload, kDeviceInfoFlags);
}

void CAMXDevice::RegisterOnline()
{
    const uint32_t address = ReadLocalAddress();
    // What the registration tells of the channels, read under their lock and sent after it.
    struct PortLevels
    {
        uint16_t port;
        uint16_t level;
    };
    std::vector<PortLevels> levels;
    {
        CCriticalSectionGuard guard(&m_channelLock);
        for (const auto& c : m_channels)
        {
            if (c->GetKind() == AmxKindLevel)
                levels.push_back({c->GetPort(), static_cast<uint16_t>(c->GetNumber())});
        }
    }
    CCriticalSectionGuard guard(SendLock());
    m_sensorInfo.addressType = 2;
    m_sensorInfo.address = {static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8),
                            static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 24)};
    std::vector<uint8_t> payload;
    CAMXCodec::PutWord(payload, m_source.device);
    CAMXCodec::PutWord(payload, m_source.system);
    CAMXCodec::PutWord(payload, 0);
    CAMXCodec::PutDeviceInfo(payload, m_sensorInfo);
    SendMessage(CmdDeviceInfo, payload);

    payload.clear();
    CAMXCodec::PutWord(payload, m_source.device);
    CAMXCodec::PutWord(payload, m_source.system);
    CAMXCodec::PutWord(payload, m_highestPort);
    SendMessage(CmdPortCount, payload);

    for (uint32_t port = 1; port <= m_highestPort; ++port)
    {
        const uint16_t p = static_cast<uint16_t>(port);
        payload = PortPayload(p);
        CAMXCodec::PutWord(payload, ClampWord(m_highestChannel));
        SendMessage(CmdChannelCount, payload);
        if (m_highestLevel != 0)
        {
            payload = PortPayload(p);
            CAMXCodec::PutWord(payload, ClampWord(m_highestLevel));
            SendMessage(CmdLevelCount, payload);
        }
        for (const PortLevels& level : levels)
        {
            if (level.port != p)
                continue;
            payload = PortPayload(p);
            CAMXCodec::PutWord(payload, level.level);
            payload.insert(payload.end(), {9, 0x10, 0x11, 0x20, 0x21, 0x40, 0x41, 0x4F, 0x8F, 0x00});
            SendMessage(CmdLevelTypes, payload);
        }
        for (uint16_t command : {CmdStringSize, CmdCommandSize})
        {
            payload = PortPayload(p);
            payload.push_back(1);
            CAMXCodec::PutWord(payload, 199);
            SendMessage(command, payload);
        }
    }

    char text[64];
    std::snprintf(text, sizeof text, "G4WC-\"Nerulan\",%u.%u.%u.%u,5900,1", address & 0xFF,
                  (address >> 8) & 0xFF, (address >> 16) & 0xFF, address >> 24);
    SendText(CmdSendCommand, m_source.port, text, true);
    m_lastReceive = Now();
    m_state = StateOnline;
}

void CAMXDevice::AnswerChallenge(const uint8_t* challenge, int32_t length)
{
    if (m_userName.empty() || m_password.empty() || length < 4)
        return;
    std::unique_ptr<char[]> user(Base64Encode(static_cast<int32_t>(m_userName.size()), m_userName.data()));
    std::unique_ptr<char[]> password(
        Base64Encode(static_cast<int32_t>(m_password.size()), m_password.data()));
    auto key = std::make_unique<CAMXKeyGenerator>();
    key->Update(challenge, 4);
    key->Update(m_userName.data(), static_cast<uint32_t>(m_userName.size()));
    key->Update(m_password.data(), static_cast<uint32_t>(m_password.size()));
    key->Final();
    auto answer = std::make_unique<CAMXKeyGenerator>();
    answer->Update(challenge, 4);
    if (user)
        answer->Update(user.get(), static_cast<uint32_t>(std::strlen(user.get())));
    if (password)
        answer->Update(password.get(), static_cast<uint32_t>(std::strlen(password.get())));
    answer->Final();
    auto cipher = std::make_unique<CAMXPacketCodec>();
    cipher->SetKey(key->Digest());

    std::vector<uint8_t> payload;
    CAMXCodec::PutWord(payload, 1);
    payload.insert(payload.end(), answer->Digest(), answer->Digest() + CAMXKeyGenerator::kDigestLength);
    CCriticalSectionGuard guard(SendLock());
    m_keyDigest = std::move(key);
    m_answerDigest = std::move(answer);
    m_cipher = std::move(cipher);
    // The answer itself goes in clear; everything after it in envelopes.
    SendMessage(CmdChallengeAnswer, payload, kFlags, 0, false);
}

void CAMXDevice::Welcome(const AMXHeader& header, bool sendDeviceInfo)
{
    {
        CCriticalSectionGuard guard(SendLock());
        m_destination.system = header.destination.system;
        m_source.system = header.destination.system;
    }
    if (sendDeviceInfo)
        SendDeviceInfo();
    RegisterOnline();
}

// ---- Views ----------------------------------------------------------------------------------------

AMXAddress CAMXDevice::GetSource()
{
    CCriticalSectionGuard guard(SendLock());
    return m_source;
}

AMXAddress CAMXDevice::GetDestination()
{
    CCriticalSectionGuard guard(SendLock());
    return m_destination;
}

bool CAMXDevice::IsLoggedIn()
{
    CCriticalSectionGuard guard(SendLock());
    return m_cipher != nullptr;
}
