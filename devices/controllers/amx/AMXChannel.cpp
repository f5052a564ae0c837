#include "devices/controllers/amx/AMXChannel.h"

#include "common/BlobReader.h"

namespace
{
// The kind of an old-form record follows from its class.
uint8_t KindOfClass(uint8_t channelClass)
{
    switch (channelClass)
    {
    case AmxClassText:
        return AmxKindTextAddress;
    case AmxClassChannel:
        return AmxKindChannel;
    case AmxClassLevel:
        return AmxKindLevel;
    default:
        return AmxKindNone;
    }
}
} // namespace

void CAMXChannel::Load(const uint8_t* blob, uint32_t length)
{
    if (!blob || length < 4)
        return;
    CBlobReader reader(blob, length);
    if (length == 4)
    {
        uint16_t port = 0;
        uint16_t number = 0;
        reader.U16LE(port);
        reader.U16LE(number);
        m_port = port;
        m_number = number;
        m_kind = KindOfClass(m_valueType);
        return;
    }
    reader.U8(m_kind);
    reader.U16LE(m_port);
    switch (m_kind)
    {
    case AmxKindTextAddress:
    case AmxKindChannel:
    case AmxKindLevel:
        reader.U32LE(m_number);
        break;
    case AmxKindText:
    case AmxKindCommand:
    {
        uint32_t size = 0;
        // The text's length is the record's word, but no byte past the blob is read.
        if (reader.U32LE(size) && size <= reader.Remaining() && size > 0)
        {
            std::string text(reinterpret_cast<const char*>(reader.Here()), size);
            // A NUL inside the text ends it, as it would for any reader of the text.
            m_text = text.c_str();
        }
        break;
    }
    case AmxKindPreset:
    case AmxKindRamp:
    {
        uint32_t value = 0;
        AmxLevelTriple triple;
        if (reader.U16LE(triple.level) && reader.U32LE(value) && reader.U32LE(triple.period))
        {
            triple.value = static_cast<int32_t>(value);
            m_triple = triple;
        }
        break;
    }
    default:
        break;
    }
}

std::unique_ptr<CAMXChannel> CAMXChannel::CreateLocal(uint32_t id, uint16_t port, uint32_t number)
{
    auto channel = std::make_unique<CAMXChannel>(id, AmxClassChannel, 1, DirectionBoth);
    channel->m_kind = AmxKindChannel;
    channel->m_port = port;
    channel->m_number = number;
    return channel;
}

bool CAMXChannel::Matches(uint8_t kind, uint16_t port, uint32_t number) const
{
    return kind >= AmxKindTextAddress && kind <= AmxKindLevel && m_kind == kind && m_port == port &&
           m_number == number;
}

bool CAMXChannel::Matches(uint8_t kind, uint16_t port, const AmxLevelTriple& triple) const
{
    return (kind == AmxKindPreset || kind == AmxKindRamp) && m_kind == kind && m_port == port &&
           m_triple == triple;
}
