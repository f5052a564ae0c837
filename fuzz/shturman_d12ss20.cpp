// Arbitrary bytes through the Shturman D12SS20 frame reader, as the driver receives them; every
// frame's reply is read as each request's answer would be, within the counts it carries.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "devices/buses/shturman/ShturmanD12SS20Codec.h"
#include "support/StreamCodecFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CShturmanD12SS20Codec codec;
    return FuzzStreamCodec(
        codec, data, size,
        [](const uint8_t* frame, int32_t length)
        {
            const uint8_t* reply = frame + 2;
            const int32_t count = length - 3;
            if ((frame[0] & 0x80) == 0 || count < 1 || count != frame[1] - 1)
                abort();
            unsigned sum = 0;
            for (int32_t i = 0; i < count; ++i)
                sum += reply[i];
            if (count >= CShturmanD12SS20Codec::MinimumReply(CShturmanD12SS20Codec::TagVersion))
                sum += CShturmanD12SS20Codec::TypeOfVersion(CShturmanD12SS20Codec::Version(reply));
            if (count >= CShturmanD12SS20Codec::MinimumReply(CShturmanD12SS20Codec::TagTime))
            {
                const std::string text = CShturmanD12SS20Codec::TimeText(reply[0], reply[1], reply[2]);
                if (text.size() != 8 && text.size() != 11)
                    abort();
            }
            if (sum == 0xFFFFFFFF)
                abort();
        });
}
