// The messages the master sends (transport thread).
#include "devices/controllers/amx/AMXDevice.h"
#include "devices/controllers/amx/AMXValue.h"

void CAMXDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    m_lastReceive = Now();
    m_in.Append(bytes, static_cast<int32_t>(length));
    const uint8_t* frame = nullptr;
    int32_t n = 0;
    while (m_scanner.Next(m_in, frame, n))
        OnFrame(frame, n);
}

void CAMXDevice::OnFrame(const uint8_t* frame, int32_t length)
{
    if (frame[0] == CAMXCodec::kMessageStart)
    {
        OnMessage(frame, length);
        return;
    }
    bool opened;
    {
        CCriticalSectionGuard guard(SendLock());
        // An envelope before the login has no key to open it: it is passed over.
        opened = m_cipher && CAMXCodec::OpenEnvelope(frame, length, *m_cipher, m_envelope);
    }
    if (opened)
        OnMessage(m_envelope.data(), static_cast<int32_t>(m_envelope.size()));
}

void CAMXDevice::OnMessage(const uint8_t* message, int32_t length)
{
    AMXHeader header;
    if (!CAMXCodec::DecodeHeader(message, length, header))
        return;
    const uint8_t* payload = message + CAMXCodec::kHeaderLength;
    const int32_t size = CAMXCodec::PayloadLength(header);
    const bool welcomed = header.flags == kWelcomeFlags && GetState() != StateOnline;
    switch (header.command)
    {
    case CmdAck:
        if (welcomed)
            Welcome(header, false);
        return;
    case CmdChannelOn:
        OnChannel(payload, size, 1.0f);
        SendAck(header.messageId);
        return;
    case CmdChannelOff:
        OnChannel(payload, size, 0.0f);
        SendAck(header.messageId);
        return;
    case CmdLevel:
        OnLevel(payload, size);
        SendAck(header.messageId);
        return;
    case CmdString:
    {
        // A string from the master is acknowledged; the panel has no use for it.
        SendAck(header.messageId);
        return;
    }
    case CmdCommand:
        OnCommand(header, payload, size);
        SendAck(header.messageId);
        return;
    case CmdDeviceInfo:
        SendAck(header.messageId);
        return;
    case CmdPing:
        SendPingReply(header.messageId);
        return;
    case CmdChallenge:
        AnswerChallenge(payload, size);
        return;
    case CmdLoginResult:
    {
        const uint32_t result = size >= 4 ? (uint32_t{payload[0]} << 24 | uint32_t{payload[1]} << 16 |
                                             uint32_t{payload[2]} << 8 | payload[3])
                                          : 0;
        if (welcomed && result != 0)
            Welcome(header, true);
        return;
    }
    default:
        return;
    }
}

void CAMXDevice::OnChannel(const uint8_t* payload, int32_t length, float value)
{
    AMXReport report;
    if (!CAMXCodec::DecodeChannel(payload, length, report))
        return;
    if (CAMXChannel* channel = FindChannel(report.number, AmxClassChannel, AmxKindChannel, report.port))
        PostValue(channel->GetId(), EventSetItemValue, value);
}

void CAMXDevice::OnLevel(const uint8_t* payload, int32_t length)
{
    AMXReport report;
    CAMXValue value;
    // A value that runs past the frame, or is longer than any level type, is not taken.
    if (!CAMXCodec::DecodeLevel(payload, length, report, value))
        return;
    if (CAMXChannel* channel = FindChannel(report.number, AmxClassLevel, AmxKindLevel, report.port))
        PostValue(channel->GetId(), EventSetItemValue, value.ToFloat());
}

void CAMXDevice::OnCommand(const AMXHeader& header, const uint8_t* payload, int32_t length)
{
    (void)header;
    AMXReport report;
    uint8_t elementSize = 0;
    std::string bytes;
    // A count that claims more bytes than the frame holds makes no command.
    if (!CAMXCodec::DecodeArray(payload, length, report, elementSize, bytes))
        return;
    std::vector<char> text(bytes.begin(), bytes.end());
    text.push_back(0);
    ExecuteCommand(report.port, text.data());
}
