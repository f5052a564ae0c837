#include "devices/buses/knx/CemiFrame.h"

#include <algorithm>

#include "common/BlobReader.h"

namespace
{
constexpr size_t kMaxDataLength = 15;

// Application services whose low 6 bits carry data rather than extend the service code.
bool ApciCarriesData(uint16_t apci)
{
    switch (apci >> 6)
    {
    case 1:
    case 2:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
        return true;
    default:
        return false;
    }
}
} // namespace

void WriteCemiFrame(uint8_t messageCode, const CemiFrame& frame, std::vector<uint8_t>& out)
{
    size_t length = std::min(frame.data.size(), kMaxDataLength);
    out.push_back(messageCode);
    out.push_back(0x00);
    out.push_back(static_cast<uint8_t>(0x80 | (frame.priority & 0x03) << 2));
    out.push_back(static_cast<uint8_t>((frame.groupFlag ? 0x80 : 0) | (frame.hopCount << 4 & 0x70)));
    out.push_back(static_cast<uint8_t>((frame.sourceArea & 0x0F) << 4 | (frame.sourceLine & 0x0F)));
    out.push_back(frame.sourceDevice);
    if (frame.groupFlag)
        out.push_back(static_cast<uint8_t>((frame.destMain & 0x1F) << 3 | (frame.destMiddle & 0x07)));
    else
        out.push_back(static_cast<uint8_t>((frame.destMain & 0x0F) << 4 | (frame.destMiddle & 0x0F)));
    out.push_back(frame.destSub);
    out.push_back(static_cast<uint8_t>(length));
    out.push_back(static_cast<uint8_t>((frame.tpci & 0x3F) << 2 | (frame.apci >> 8 & 0x03)));
    if (length == 0)
        return;
    // data[0] rides in the low 6 bits of services that carry data; for the others those bits
    // belong to the service code.
    uint8_t low = static_cast<uint8_t>(frame.apci & 0xFF);
    if (ApciCarriesData(frame.apci))
        low = static_cast<uint8_t>((low & 0xC0) | (frame.data[0] & 0x3F));
    out.push_back(low);
    out.insert(out.end(), frame.data.begin() + 1, frame.data.begin() + static_cast<ptrdiff_t>(length));
}

bool ParseCemiFrame(const uint8_t* bytes, size_t size, uint8_t& messageCode, CemiFrame& frame)
{
    frame = CemiFrame{};
    CBlobReader reader(bytes, size);
    uint8_t infoLength = 0, control1 = 0, control2 = 0, sourceHigh = 0, sourceLow = 0;
    uint8_t destHigh = 0, destLow = 0, lengthByte = 0, tpciByte = 0;
    reader.U8(messageCode);
    reader.U8(infoLength);
    reader.Skip(infoLength);
    reader.U8(control1);
    reader.U8(control2);
    reader.U8(sourceHigh);
    reader.U8(sourceLow);
    reader.U8(destHigh);
    reader.U8(destLow);
    reader.U8(lengthByte);
    reader.U8(tpciByte);
    if (!reader.Ok())
        return false;

    frame.repeat = control1 >> 5 & 1;
    frame.priority = control1 >> 2 & 3;
    frame.ackRequest = control1 >> 1 & 1;
    frame.groupFlag = control2 >> 7 & 1;
    frame.hopCount = control2 >> 4 & 7;
    frame.sourceArea = sourceHigh >> 4;
    frame.sourceLine = sourceHigh & 0x0F;
    frame.sourceDevice = sourceLow;
    if (frame.groupFlag)
    {
        frame.destMain = destHigh >> 3;
        frame.destMiddle = destHigh & 0x07;
    }
    else
    {
        frame.destMain = destHigh >> 4;
        frame.destMiddle = destHigh & 0x0F;
    }
    frame.destSub = destLow;
    frame.tpci = tpciByte >> 2;
    frame.apci = static_cast<uint16_t>((tpciByte & 0x03) << 8);

    size_t length = lengthByte & 0x0F;
    if (length == 0)
        return true;
    uint8_t apciLow = 0;
    if (!reader.U8(apciLow) || reader.Remaining() < length - 1)
        return false;
    frame.apci = static_cast<uint16_t>(frame.apci | (apciLow & 0xC0));
    frame.data.assign(length, 0);
    if (ApciCarriesData(frame.apci))
        frame.data[0] = apciLow & 0x3F;
    else
        frame.apci = static_cast<uint16_t>(frame.apci | (apciLow & 0x3F));
    return reader.Bytes(frame.data.data() + 1, length - 1);
}
