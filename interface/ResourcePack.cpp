#include "interface/ResourcePack.h"

#include <cstring>

namespace
{
constexpr size_t kRecordHeader = 5; // type and length
constexpr size_t kWordBytes = 4;

uint32_t ReadLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Reads one record at pos, moving pos past it. False when it does not fit in the bytes left.
bool ReadRecord(const uint8_t* bytes, size_t size, size_t& pos, CResourcePackSink& sink)
{
    if (size - pos < kRecordHeader)
        return false;
    uint8_t type = bytes[pos];
    uint32_t length = ReadLe32(bytes + pos + 1);
    pos += kRecordHeader;
    size_t left = size - pos;
    switch (type)
    {
    case CResourcePack::RecordGroupStart:
    case CResourcePack::RecordGroupEnd:
        // Markers around a group of records: their length covers the group, which is read on.
        return true;
    case CResourcePack::RecordFont:
    {
        size_t scan = left < static_cast<size_t>(CResourcePack::kMaxFontName) + 1
                          ? left
                          : static_cast<size_t>(CResourcePack::kMaxFontName) + 1;
        const void* zero = std::memchr(bytes + pos, 0, scan);
        if (!zero)
            return false;
        const char* name = reinterpret_cast<const char*>(bytes + pos);
        size_t nameBytes = static_cast<const uint8_t*>(zero) - (bytes + pos) + 1;
        if (left - nameBytes < length)
            return false;
        pos += nameBytes;
        sink.OnFont(name, bytes + pos, static_cast<int32_t>(length));
        pos += length;
        return true;
    }
    case CResourcePack::RecordTemplate:
    case CResourcePack::RecordThumb:
    {
        if (left < kWordBytes || left - kWordBytes < length)
            return false;
        uint32_t word = ReadLe32(bytes + pos);
        pos += kWordBytes;
        bool hasData = word != 0 && length != 0;
        const uint8_t* data = hasData ? bytes + pos : nullptr;
        int32_t dataLength = hasData ? static_cast<int32_t>(length) : 0;
        if (type == CResourcePack::RecordTemplate)
            sink.OnTemplate(word, data, dataLength);
        else
            sink.OnThumb(data, dataLength);
        pos += length;
        return true;
    }
    default:
        if (left < length)
            return false;
        pos += length;
        return true;
    }
}
} // namespace

bool CResourcePack::Read(const uint8_t* bytes, size_t length, CResourcePackSink& sink)
{
    if (!bytes)
        return length == 0;
    // Lengths are 32-bit: a pack larger than that is read no further than 4 GiB in any case.
    size_t pos = 0;
    while (pos < length)
    {
        if (!ReadRecord(bytes, length, pos, sink))
            return false;
    }
    return true;
}
