#include "devices/buses/knx/BaosFrame.h"

#include "common/BlobReader.h"

namespace Baos
{
namespace
{
constexpr size_t k1xHeadSize = 4;
constexpr size_t k2xHeaderSize = 6;
constexpr uint16_t k2xRequestType = 0xF080;
constexpr uint16_t k2xResponseType = 0xF081;

uint16_t BigEndian16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

void Put16(uint16_t value, std::vector<uint8_t>& out)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

// Reads the items of a value frame. 1.x: id (byte), a byte whose low nibble is the value length,
// the value; 2.x: id (16-bit), state, value length, the value. A frame of count 0 carries an error
// byte instead. False when the items run past the bytes.
bool ReadItems(CBlobReader& reader, bool wideIds, Frame& frame)
{
    if (frame.count == 0)
        return reader.Skip(1);
    // Every item takes at least two bytes, so a count beyond what is there fails before reserving.
    if (frame.count > reader.Remaining() / 2)
        return false;
    frame.items.reserve(frame.count);
    for (uint16_t i = 0; i < frame.count; ++i)
    {
        Item item;
        uint8_t id8 = 0, lengthByte = 0;
        if (wideIds)
        {
            reader.U16BE(item.id);
            reader.Skip(1);
            reader.U8(lengthByte);
            item.length = lengthByte;
        }
        else
        {
            reader.U8(id8);
            reader.U8(lengthByte);
            item.id = id8;
            item.length = lengthByte & 0x0F;
        }
        item.value = reader.Here();
        if (!reader.Skip(item.length))
            return false;
        frame.items.push_back(item);
    }
    return true;
}
} // namespace

bool IsReply(uint8_t service)
{
    return service == GetServerItemResponse || service == GetDatapointDescriptionResponse ||
           service == GetDatapointValueResponse || service == SetDatapointValueResponse;
}

bool CarriesValues(uint8_t service)
{
    return service == GetDatapointValueResponse || service == DatapointValueIndication;
}

ScanResult Scan1x(const uint8_t* bytes, size_t size, Frame& frame, size_t& next)
{
    frame = Frame{};
    size_t i = 0;
    for (; bytes && i + k1xHeadSize <= size; ++i)
    {
        if (bytes[i] != kMainService)
            continue;
        frame.service = bytes[i + 1];
        frame.firstId = bytes[i + 2];
        frame.count = bytes[i + 3];
        CBlobReader reader(bytes + i + k1xHeadSize, size - i - k1xHeadSize);
        if (CarriesValues(frame.service) && !ReadItems(reader, false, frame))
        {
            frame.items.clear();
            next = i;
            return ScanResult::Incomplete;
        }
        next = i + k1xHeadSize + reader.Position();
        return ScanResult::Frame;
    }
    next = i;
    return ScanResult::None;
}

ScanResult Scan2x(const uint8_t* bytes, size_t size, Frame& frame, size_t& next)
{
    frame = Frame{};
    size_t i = 0;
    for (; bytes && i + k2xHeaderSize <= size; ++i)
    {
        if (bytes[i] != 0x06 || bytes[i + 1] != 0x20)
            continue;
        uint16_t type = BigEndian16(bytes + i + 2);
        uint16_t length = BigEndian16(bytes + i + 4);
        if (length < k2xHeaderSize || length > k2xMaxFrameLength)
            continue;
        if (type != k2xRequestType && type != k2xResponseType)
        {
            // Another service of the same header family: step over its header only, since its
            // length field is not one this reader knows to trust.
            i += k2xHeaderSize - 1;
            continue;
        }
        if (length > size - i)
        {
            next = i;
            return ScanResult::Incomplete;
        }
        // The whole frame is consumed whatever it holds, so that its body is never scanned again.
        next = i + length;
        if (length < k2xHeadSize || bytes[i + 10] != kMainService)
        {
            i += length - 1;
            continue;
        }
        frame.service = bytes[i + 11];
        frame.firstId = BigEndian16(bytes + i + 12);
        frame.count = BigEndian16(bytes + i + 14);
        CBlobReader reader(bytes + i + k2xHeadSize, length - k2xHeadSize);
        // Items that run past the frame's end are cut off; the frame still counts as a reply.
        if (CarriesValues(frame.service) && !ReadItems(reader, true, frame) && frame.count)
            frame.items.clear();
        return ScanResult::Frame;
    }
    next = i;
    return ScanResult::None;
}

void Begin1x(uint8_t service, uint16_t firstId, uint16_t count, std::vector<uint8_t>& out)
{
    out.push_back(kMainService);
    out.push_back(service);
    out.push_back(static_cast<uint8_t>(firstId));
    out.push_back(static_cast<uint8_t>(count));
}

void AddItem1x(uint16_t id, uint8_t command, const std::vector<uint8_t>& value, std::vector<uint8_t>& out)
{
    out.push_back(static_cast<uint8_t>(id));
    out.push_back(static_cast<uint8_t>(command << 4 | (value.size() & 0x0F)));
    out.insert(out.end(), value.begin(), value.end());
}

void Begin2x(uint8_t service, uint16_t firstId, uint16_t count, uint8_t filter, std::vector<uint8_t>& out)
{
    for (uint8_t b : {0x06, 0x20, 0xF0, 0x80, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00})
        out.push_back(b);
    out.push_back(kMainService);
    out.push_back(service);
    Put16(firstId, out);
    Put16(count, out);
    if (service == GetDatapointValue)
        out.push_back(filter);
}

void AddItem2x(uint16_t id, uint8_t command, const std::vector<uint8_t>& value, std::vector<uint8_t>& out)
{
    Put16(id, out);
    out.push_back(command);
    out.push_back(static_cast<uint8_t>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
}

void Finish2x(std::vector<uint8_t>& out)
{
    // out holds this one request from its header on.
    if (out.size() < k2xHeaderSize)
        return;
    out[4] = static_cast<uint8_t>(out.size() >> 8);
    out[5] = static_cast<uint8_t>(out.size());
}
} // namespace Baos
