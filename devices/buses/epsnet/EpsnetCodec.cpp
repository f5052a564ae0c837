#include "devices/buses/epsnet/EpsnetCodec.h"

#include "common/Checksums.h"

namespace
{
constexpr uint8_t kEnd = 0x16;
constexpr uint8_t kControl = 0x00;

void PutHeader(std::vector<uint8_t>& out, uint16_t wire)
{
    out.clear();
    out.push_back(static_cast<uint8_t>(wire));
    out.push_back(static_cast<uint8_t>(wire >> 8));
    out.push_back(0x02);
    out.push_back(0x00);
    out.push_back(0x00); // frame length, filled in when the frame is complete
    out.push_back(0x00);
}

void FinishLength(std::vector<uint8_t>& out)
{
    const size_t frame = out.size() - CEpsnetCodec::kHeaderLength;
    out[4] = static_cast<uint8_t>(frame >> 8);
    out[5] = static_cast<uint8_t>(frame);
}
} // namespace

FrameVerdict CEpsnetFrameCodec::Check(const uint8_t* bytes, int32_t available) const
{
    switch (bytes[0])
    {
    case EpsnetFrame::Single:
        return FrameVerdict::Whole(1);
    case EpsnetFrame::Fixed:
        if (available < 6)
            return FrameVerdict::More();
        return bytes[4] == ByteSum8(bytes + 1, 3) ? FrameVerdict::Whole(6) : FrameVerdict::None();
    case EpsnetFrame::Variable:
    {
        if (available < 4)
            return FrameVerdict::More();
        const int32_t l = bytes[1];
        // Control, station and at least one data byte.
        if (bytes[3] != EpsnetFrame::Variable || bytes[2] != bytes[1] || l < 3)
            return FrameVerdict::None();
        if (available < l + 6)
            return FrameVerdict::More();
        return bytes[l + 4] == ByteSum8(bytes + 4, static_cast<size_t>(l)) ? FrameVerdict::Whole(l + 6)
                                                                           : FrameVerdict::None();
    }
    default:
        return FrameVerdict::None();
    }
}

uint16_t CEpsnetCodec::NextSequence(uint16_t number)
{
    uint16_t next = static_cast<uint16_t>((number + 1) & 0x0FFF);
    return next == 0 ? 1 : next;
}

void CEpsnetCodec::WriteConnect(std::vector<uint8_t>& out, uint16_t wire, uint8_t station)
{
    PutHeader(out, wire);
    const uint8_t fields[3] = {kControl, station, 0x69};
    out.push_back(EpsnetFrame::Fixed);
    out.insert(out.end(), fields, fields + 3);
    out.push_back(ByteSum8(fields, 3));
    out.push_back(kEnd);
    FinishLength(out);
}

void CEpsnetCodec::WriteVariable(std::vector<uint8_t>& out, uint16_t wire, uint8_t station,
                                 const uint8_t* data, size_t count)
{
    PutHeader(out, wire);
    const auto l = static_cast<uint8_t>(2 + count);
    out.push_back(EpsnetFrame::Variable);
    out.push_back(l);
    out.push_back(l);
    out.push_back(EpsnetFrame::Variable);
    const size_t body = out.size();
    out.push_back(kControl);
    out.push_back(station);
    out.insert(out.end(), data, data + count);
    out.push_back(ByteSum8(out.data() + body, out.size() - body));
    out.push_back(kEnd);
    FinishLength(out);
}

void CEpsnetCodec::WriteRead(std::vector<uint8_t>& out, uint16_t wire, uint8_t station, uint8_t area,
                             uint16_t address, uint8_t length)
{
    const uint8_t data[6] = {
        0x6C, 0x0B, area, static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8), length};
    WriteVariable(out, wire, station, data, sizeof data);
}

void CEpsnetCodec::WriteBytes(std::vector<uint8_t>& out, uint16_t wire, uint8_t station, uint8_t area,
                              uint16_t address, const uint8_t* value, uint8_t count)
{
    std::vector<uint8_t> data = {
        0x63, 0x0C, area, static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8), count};
    data.insert(data.end(), value, value + count);
    WriteVariable(out, wire, station, data.data(), data.size());
}

void CEpsnetCodec::WriteBit(std::vector<uint8_t>& out, uint16_t wire, uint8_t station, uint8_t area,
                            uint16_t address, uint8_t bit, bool on)
{
    const uint8_t data[6] = {0x63,
                             0x10,
                             area,
                             static_cast<uint8_t>(address),
                             static_cast<uint8_t>(address >> 8),
                             static_cast<uint8_t>(bit + (on ? 0x80 : 0))};
    WriteVariable(out, wire, station, data, sizeof data);
}

bool CEpsnetCodec::IsHeader(const uint8_t* bytes, size_t available)
{
    return available >= kHeaderLength && bytes[1] >= 0xF0 && bytes[2] == 0x02 && bytes[3] == 0x00;
}

void CEpsnetCodec::ParseDatagram(const uint8_t* data, size_t size, std::vector<EpsnetFrame>& frames)
{
    if (!data)
        return;
    const CEpsnetFrameCodec codec;
    size_t at = 0;
    while (at < size)
    {
        if (!IsHeader(data + at, size - at))
        {
            ++at;
            continue;
        }
        const uint16_t sequence = static_cast<uint16_t>(data[at] | data[at + 1] << 8);
        const size_t declared = static_cast<size_t>(data[at + 4] << 8 | data[at + 5]);
        const size_t begin = at + kHeaderLength;
        const size_t end = begin + (declared < size - begin ? declared : size - begin);
        size_t i = begin;
        while (i < end)
        {
            const FrameVerdict verdict = codec.Check(data + i, static_cast<int32_t>(end - i));
            if (verdict.kind != FrameVerdict::Frame)
            {
                ++i;
                continue;
            }
            EpsnetFrame frame;
            frame.sequence = sequence;
            frame.kind = data[i];
            if (frame.kind == EpsnetFrame::Fixed)
            {
                frame.fixed[0] = data[i + 1];
                frame.fixed[1] = data[i + 2];
                frame.fixed[2] = data[i + 3];
            }
            else if (frame.kind == EpsnetFrame::Variable)
            {
                const size_t l = data[i + 1];
                frame.control = data[i + 4];
                frame.station = data[i + 5];
                frame.data.assign(data + i + 6, data + i + 4 + l);
            }
            frames.push_back(std::move(frame));
            i += static_cast<size_t>(verdict.length);
        }
        at = end;
    }
}
