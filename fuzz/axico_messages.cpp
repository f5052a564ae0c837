// Arbitrary bytes through the Axico message reader, as the driver receives them: every message
// must be one of the known kinds, and a status frame's fields lie within it.
#include <cstdint>
#include <cstdlib>

#include "devices/controllers/axico/AxicoCodec.h"
#include "support/StreamCodecFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CAxicoCodec codec;
    return FuzzStreamCodec(
        codec, data, size,
        [](const uint8_t* frame, int32_t length)
        {
            const AxicoMessage message = CAxicoCodec::Classify(frame, length);
            if (message.kind == AxicoMessage::None || message.kind > AxicoMessage::Stop)
                abort();
            if ((message.kind == AxicoMessage::Status || message.kind == AxicoMessage::ExtendedStatus) &&
                (length < 7 || length != frame[1] + 2))
                abort();
        });
}
