#pragma once
#include <cstdint>
#include <functional>
#include <vector>

namespace mpegtest
{
// Writes MPEG-1 Layer I frames straight from sub-band samples (no analysis filterbank: the test
// chooses what each sub-band carries). Debian has no Layer I encoder, so this is where Layer I
// test streams come from; mpg123 decodes them as the reference.
struct LayerOneParams
{
    int mode = 0;          // 0 stereo, 1 joint stereo, 3 single channel
    int modeExtension = 0; // joint-stereo bound 4, 8, 12 or 16
    int sampleRateIndex = 0;
    int bitrateIndex = 14;
    int bitsPerSample = 8; // 2 to 15, for every sub-band that carries something
    bool crc = false;      // write a (zero) CRC word after the header
};

// value(channel, frame, slot, subband) in [-1, 1); 0 everywhere in a frame's sub-band leaves it
// unallocated.
using SubbandSignal = std::function<double(int, int, int, int)>;

// Empty when a frame's bits do not fit in the frame size of the bitrate.
std::vector<uint8_t> WriteLayerOne(const LayerOneParams& params, int frames, const SubbandSignal& value);
} // namespace mpegtest
