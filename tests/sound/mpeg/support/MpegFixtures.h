#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sound/DecompressMpeg.h"
#include "sound/MpegFile.h"
#include "sound/Reader.h"
#include "support/TempFolder.h"

namespace mpegtest
{
// Runs a shell command; true when it exited with status 0.
bool RunShell(const std::string& command);

// mpg123's decode of a file as 32-bit float samples (gapless off, from frame 0).
std::vector<float> Mpg123Decode(const std::string& path);

struct Difference
{
    double rmsLsb = 0; // RMS of our 16-bit output minus the reference quantised the same way
    int maxLsb = 0;
    double snrDb = 0; // reference power over the power of our difference to it
    size_t compared = 0;
};
// Compares our samples with the reference: the reference is scaled to 16 bits and truncated
// toward zero like our output, so the figures measure the decoder and not the rounding.
Difference Compare(const std::vector<int16_t>& ours, const std::vector<float>& reference);

// Byte offsets of the frames of a raw MPEG stream (walked by header, stops at the first
// non-frame); the helper's own parser, independent of the decoder's.
std::vector<size_t> FrameOffsets(const std::vector<uint8_t>& stream);

// A raw stream loaded the way the sound loader does it: reader, CMpegFile, CDecompressMpeg.
struct OpenedStream
{
    std::unique_ptr<CReader> reader;
    std::unique_ptr<CMpegFile> container;
    std::unique_ptr<CDecompressMpeg> decoder;
    bool ok = false;
    uint16_t channels = 0;
    uint32_t rate = 0;
};
std::unique_ptr<OpenedStream> OpenStream(const std::vector<uint8_t>& bytes);

// Whole-stream decode in the stream's own channel layout, as the sound output's reads would
// do it (chunks of `chunk` frames).
std::vector<int16_t> DecodeAll(OpenedStream& stream, uint32_t chunk = 16384);
// The same decode with the scalar twins of the vector routines; it must give the same samples.
std::vector<int16_t> DecodeAllScalar(OpenedStream& stream);
} // namespace mpegtest
