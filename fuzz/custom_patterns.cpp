// The custom devices' feedback-pattern matcher and their channel blob. The input is read as a
// channel blob first; then as: a pattern count (low 3 bits), each pattern as a length byte (low 4
// bits) and its bytes, then the received data, handed over in pieces whose sizes the data's own
// bytes choose. After every scan no more than (longest pattern - 1) bytes may stay, the drop
// count lies within what was there, and every match reported is a whole pattern at the scan's
// current data.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "devices/controllers/custom/CustomChannel.h"
#include "devices/controllers/custom/CustomPatternMatcher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CCustomChannel channel(1, 0, 0, 0);
    channel.Load(data, static_cast<uint32_t>(std::min<size_t>(size, UINT32_MAX)));
    if (channel.GetByteLength() > 0 && (!channel.GetBytes() || channel.GetByteLength() > size))
        abort();

    size_t at = 0;
    if (size == 0)
        return 0;
    size_t count = data[at++] & 7;
    std::vector<std::vector<uint8_t>> texts;
    for (size_t i = 0; i < count && at < size; ++i)
    {
        size_t length = data[at++] & 15;
        length = std::min(length, size - at);
        texts.emplace_back(data + at, data + at + length);
        at += length;
    }
    std::vector<CustomPattern> patterns;
    uint32_t longest = 0;
    for (const auto& text : texts)
    {
        patterns.push_back(CustomPattern{text.data(), static_cast<uint32_t>(text.size())});
        longest = std::max<uint32_t>(longest, static_cast<uint32_t>(text.size()));
    }

    std::vector<uint8_t> pending;
    while (at < size)
    {
        size_t piece = std::min<size_t>(1 + data[at] % 64, size - at);
        pending.insert(pending.end(), data + at, data + at + piece);
        at += piece;
        int32_t used =
            CCustomPatternMatcher::Scan(pending.data(), static_cast<int32_t>(pending.size()), patterns,
                                        [&](size_t index)
                                        {
                                            if (index >= patterns.size() || patterns[index].length == 0)
                                                abort();
                                        });
        if (used < 0 || static_cast<size_t>(used) > pending.size())
            abort();
        pending.erase(pending.begin(), pending.begin() + used);
        if (pending.size() > (longest > 0 ? longest - 1 : 0))
            abort();
    }
    return 0;
}
