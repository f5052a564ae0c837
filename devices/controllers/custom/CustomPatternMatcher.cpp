#include "devices/controllers/custom/CustomPatternMatcher.h"

#include <algorithm>
#include <cstring>

bool CCustomPatternMatcher::MatchesAt(const uint8_t* data, int32_t available, const CustomPattern& pattern)
{
    if (!pattern.bytes || pattern.length == 0 || available <= 0)
        return false;
    if (pattern.length > static_cast<uint32_t>(available))
        return false;
    return std::memcmp(data, pattern.bytes, pattern.length) == 0;
}

int32_t CCustomPatternMatcher::Scan(const uint8_t* data, int32_t available,
                                    std::span<const CustomPattern> patterns, const MatchFn& onMatch)
{
    if (!data || available <= 0)
        return 0;
    uint32_t longest = 0;
    for (const CustomPattern& pattern : patterns)
        if (pattern.bytes)
            longest = std::max(longest, pattern.length);

    int32_t consumed = 0; // behind the last match
    int32_t position = 0;
    while (position < available)
    {
        int32_t rest = available - position;
        uint32_t matchedLength = 0;
        bool matched = false;
        for (size_t i = 0; i < patterns.size(); ++i)
        {
            if (!MatchesAt(data + position, rest, patterns[i]))
                continue;
            matched = true;
            matchedLength = patterns[i].length;
            if (onMatch)
                onMatch(i);
        }
        if (matched)
        {
            position += static_cast<int32_t>(matchedLength);
            consumed = position;
        }
        else
        {
            ++position;
        }
    }

    // Positions with the whole longest pattern behind them were decided for good.
    int64_t decided = static_cast<int64_t>(available) - (longest > 0 ? static_cast<int64_t>(longest) - 1 : 0);
    if (decided > consumed)
        consumed = static_cast<int32_t>(decided);
    return std::min(consumed, available);
}
