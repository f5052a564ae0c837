#pragma once
#include <cstdint>
#include <vector>

namespace mpegtest
{
// Writes small two-channel Layer III streams for the cases no Debian encoder produces: intensity
// stereo, mixed blocks, hand-chosen block types and scale factors. Every frame stands alone (no
// bit reservoir). Spectral values are only -1, 0 and 1 and coded as quadruples of table B, whose
// codes are plain 4-bit words, so no Huffman encoder is needed; scale factors, gains and block
// types shape what they decode to.
struct LayerThreeParams
{
    int version = 1;        // 1: MPEG-1, 44.1 kHz, 128 kbit/s; 2: MPEG-2, 22.05 kHz, 64 kbit/s;
                            // 3: MPEG 2.5, 8 kHz, 32 kbit/s
    bool midSide = false;   // joint stereo with mid/side
    bool intensity = false; // joint stereo with intensity: the right channel has no values
    int blockType = 0;      // 0 long blocks; 1, 2 or 3 with window switching
    bool mixed = false;
    int subblockGain[3] = {0, 0, 0};
    int maxPosition = 6;              // intensity positions drawn from 0 to this
    bool writeSevenForHigher = false; // positions drawn above 7 are written as 7
    int lines = 200;                  // coded lines that carry values in each channel that has values
    int globalGain = 190;
    unsigned seed = 1;
};

// Empty when a frame's data would not fit its size.
std::vector<uint8_t> WriteLayerThree(const LayerThreeParams& params, int frames);
} // namespace mpegtest
