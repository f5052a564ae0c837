#include "devices/controllers/lutron/LutronMessageReader.h"

void CLutronMessageReader::Append(const uint8_t* bytes, int32_t length)
{
    // NUL bytes are no part of the protocol's text, and an unfinished line padded with them would
    // escape the line cap: they are left out here.
    std::string text;
    text.reserve(length > 0 ? static_cast<size_t>(length) : 0);
    for (int32_t i = 0; i < length; ++i)
    {
        if (bytes[i] != 0)
            text.push_back(static_cast<char>(bytes[i]));
    }
    m_in.Append(text.data(), static_cast<int32_t>(text.size()));
}

void CLutronMessageReader::Reset()
{
    m_in.Reset();
    m_lines.Reset();
}

bool CLutronMessageReader::Next(LutronMessage& message)
{
    std::string line;
    while (m_lines.Next(m_in, line))
    {
        if (FromLine(line, message))
            return true;
    }
    return FromUnfinished(message);
}

bool CLutronMessageReader::FromLine(const std::string& line, LutronMessage& message) const
{
    // A report starts at its "~"; a prompt before it is not part of it.
    const size_t tilde = line.find('~');
    if (tilde != std::string::npos)
        return CLutronCodec::ParseReport(line.substr(tilde), message);
    size_t end = 0;
    const uint16_t kind = CLutronCodec::FindKeyword(line, end);
    if (kind == LutronMessage::None)
        return false;
    message = LutronMessage();
    message.kind = kind;
    return true;
}

bool CLutronMessageReader::FromUnfinished(LutronMessage& message)
{
    // The rest of a report line waits for its CR; an over-long line has been dropped already.
    const int32_t pending = m_in.Pending();
    if (pending <= 0)
        return false;
    std::string text;
    for (int32_t i = 0; i < pending; ++i)
    {
        const uint8_t byte = m_in.ReadPos()[i];
        text.push_back(static_cast<char>(byte));
    }
    if (text.find('~') != std::string::npos)
        return false;
    size_t end = 0;
    const uint16_t kind = CLutronCodec::FindKeyword(text, end);
    if (kind == LutronMessage::None)
        return false;
    m_in.Skip(static_cast<int32_t>(end));
    message = LutronMessage();
    message.kind = kind;
    return true;
}
