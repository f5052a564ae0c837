#pragma once
#include <cstdint>

class CAbstractDecompressor;

// Decodes a sound as the sound output does: from the start in blocks, as stereo and as mono, and
// from frames in the middle and at the end (a seek). At most kMaxFrames frames from the start, so
// that one input stays fast.
void DecodeLikeTheOutput(CAbstractDecompressor* decoder);

constexpr uint32_t kMaxFuzzFrames = 1u << 14;
