#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sound/SoundFile.h"
#include "support/TempFolder.h"

namespace soundtest
{
using Bytes = std::vector<uint8_t>;

// Runs a shell command with its output discarded; true when it exited with 0.
bool RunCommand(const std::string& command);

// Raw signed 16-bit little-endian samples.
std::vector<int16_t> ReadRawS16(const std::string& path);

// Little-endian writers and RIFF chunks for hand-made files.
void PutU16(Bytes& out, uint32_t value);
void PutU32(Bytes& out, uint32_t value);
void Append(Bytes& out, const Bytes& more);
Bytes Chunk(const char* id, const Bytes& body, bool pad = true);
// An 18-byte format record followed by `extra`.
Bytes FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits,
                 const Bytes& extra = {});
// "RIFF" size "WAVE" and the chunks, concatenated as given.
Bytes Riff(const std::vector<Bytes>& chunks);
// A PCM WAVE file of the given samples (bytes as stored).
Bytes PcmWave(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& samples);
// Little-endian bytes of 16-bit samples.
Bytes S16Bytes(const std::vector<int16_t>& samples);

// Decodes frames [first, first + count) of a loaded sound into a vector of 16-bit samples.
std::vector<int16_t> DecodeS16(CSoundFile& sound, uint32_t first, uint32_t count, bool stereo);

// Estimated frequency of a mono 16-bit signal by counting rising zero crossings.
double ZeroCrossingFrequency(const std::vector<int16_t>& samples, uint32_t rate);
} // namespace soundtest
