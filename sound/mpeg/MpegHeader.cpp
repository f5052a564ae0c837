#include "sound/mpeg/MpegAudioDecoder.h"

namespace
{
// kbit/s by [MPEG-1 or not][layer - 1][bitrate index]; MPEG 2.5 uses the MPEG-2 row.
const uint16_t kBitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
};

const uint32_t kSampleRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

uint32_t BigEndian32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

uint32_t FrameSize(int version, int layer, uint32_t bitrate, uint32_t rate, int padding)
{
    if (layer == 1)
        return (12 * bitrate / rate + padding) * 4;
    if (layer == 2)
        return 144 * bitrate / rate + padding;
    uint32_t size = 144 * bitrate / rate;
    if (version != 1)
        size /= 2;
    return size + padding;
}

uint32_t SideInfoBytes(const MpegHeader& header)
{
    if (header.version == 1)
        return header.mode == 3 ? 17 : 32;
    return header.mode == 3 ? 9 : 17;
}
} // namespace

bool MpegParseHeader(const uint8_t* b, MpegHeader& header)
{
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0)
        return false;
    MpegHeader h;
    if (b[1] <= 0xEF)
        h.version = 3; // MPEG 2.5 (the reserved version code reads the same)
    else
        h.version = (b[1] & 0x08) ? 1 : 2;
    int layerCode = (b[1] >> 1) & 3;
    if (layerCode == 0)
        return false;
    h.layer = 4 - layerCode;
    h.crc = 1 - (b[1] & 1);
    h.bitrateIndex = b[2] >> 4;
    h.sampleRateIndex = (b[2] >> 2) & 3;
    if (h.bitrateIndex == 0 || h.bitrateIndex == 15 || h.sampleRateIndex == 3)
        return false;
    h.padding = (b[2] >> 1) & 1;
    h.privateBit = b[2] & 1;
    h.mode = b[3] >> 6;
    h.modeExtension = (b[3] >> 4) & 3;
    h.copyright = (b[3] >> 3) & 1;
    h.original = (b[3] >> 2) & 1;
    h.emphasis = b[3] & 3;
    header = h;
    return true;
}

uint32_t MpegFrameSizeAt(const MpegHeader& header, int bitrateIndex)
{
    if (header.version < 1 || header.version > 3 || header.layer < 1 || header.layer > 3 ||
        bitrateIndex < 1 || bitrateIndex > 14 || header.sampleRateIndex < 0 || header.sampleRateIndex > 2)
        return 0;
    uint32_t bitrate = kBitrates[header.version == 1 ? 0 : 1][header.layer - 1][bitrateIndex] * 1000u;
    uint32_t rate = kSampleRates[header.version - 1][header.sampleRateIndex];
    return FrameSize(header.version, header.layer, bitrate, rate, 0);
}

bool MpegCheckHeader(const uint8_t* bytes, MpegHeader& header)
{
    MpegHeader h;
    if (!MpegParseHeader(bytes, h))
        return false;
    h.bitrate = kBitrates[h.version == 1 ? 0 : 1][h.layer - 1][h.bitrateIndex] * 1000u;
    h.sampleRate = kSampleRates[h.version - 1][h.sampleRateIndex];
    h.frameSize = FrameSize(h.version, h.layer, h.bitrate, h.sampleRate, h.padding);
    if (h.layer == 1)
        h.samplesPerFrame = 384;
    else if (h.layer == 2 || h.version == 1)
        h.samplesPerFrame = 1152;
    else
        h.samplesPerFrame = 576;
    h.channels = h.mode == 3 ? 1 : 2;
    h.outputBytes = static_cast<uint32_t>(h.channels) * h.samplesPerFrame * 2;
    header = h;
    return true;
}

bool MpegGetDecodeInfo(const uint8_t* bytes, uint32_t size, MpegDecodeInfo& info)
{
    MpegHeader h;
    if (size < 4 || !MpegCheckHeader(bytes, h))
        return false;
    MpegDecodeInfo result;
    result.header = h;
    result.channels = h.channels;
    result.bitsPerSample = 16;
    result.sampleRate = h.sampleRate;
    result.bitrate = h.bitrate;
    result.minFrameSize = MpegFrameSizeAt(h, 1);
    result.maxFrameSize = MpegFrameSizeAt(h, 14);
    result.outputBytes = h.outputBytes;

    // A Xing or VBRI header sits where the first frame's audio data would begin.
    uint32_t at = 4 + (h.crc ? 2 : 0) + (h.layer == 3 ? SideInfoBytes(h) : 0);
    if (static_cast<uint64_t>(at) + 4 <= size)
    {
        const uint8_t* tag = bytes + at;
        if (tag[0] == 'X' && tag[1] == 'i' && tag[2] == 'n' && tag[3] == 'g')
        {
            if (at + 8 > size)
                return false;
            uint32_t flags = BigEndian32(tag + 4);
            if (!(flags & 3))
                return false;
            if ((flags & 1) && at + 12 <= size)
                result.vbrFrames = BigEndian32(tag + 8);
            if ((flags & 2) && at + 16 <= size)
                result.vbrBytes = BigEndian32(tag + 12);
            result.bitrate = 0;
        }
        else if (tag[0] == 'V' && tag[1] == 'B' && tag[2] == 'R' && tag[3] == 'I')
        {
            if (at + 18 <= size)
            {
                result.vbrBytes = BigEndian32(tag + 10);
                result.vbrFrames = BigEndian32(tag + 14);
            }
            result.bitrate = 0;
        }
    }
    info = result;
    return true;
}

uint32_t MpegL3MainDataBytes(const MpegHeader& header)
{
    const uint32_t before = 4 + (header.crc ? 2 : 0) + SideInfoBytes(header);
    return header.frameSize > before ? header.frameSize - before : 0;
}

uint32_t MpegL3MainDataBegin(const MpegHeader& header, const uint8_t* bytes, uint32_t size)
{
    const uint32_t at = 4 + (header.crc ? 2 : 0);
    if (size < at + 2)
        return 0;
    const uint32_t bits = (uint32_t(bytes[at]) << 8) | bytes[at + 1];
    return header.version == 1 ? bits >> 7 : bits >> 8; // 9 bits for MPEG-1, 8 for the others
}
