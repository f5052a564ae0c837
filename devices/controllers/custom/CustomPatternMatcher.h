#pragma once
#include <cstdint>
#include <functional>
#include <span>

// One feedback pattern as the matcher sees it: the bytes stay owned by their channel.
struct CustomPattern
{
    const uint8_t* bytes = nullptr;
    uint32_t length = 0;
};

// Finds the feedback patterns of a custom device in what the equipment sent (pure bytes in, no
// device, so it can be tested from tables and fuzzed).
//
// Scan walks the pending bytes position by position. At each position every pattern whose bytes
// are all present and equal matches (a pattern cut short by the end of the data does not match
// yet); each match is reported in pattern order. After a match the walk goes on behind the last
// pattern that matched there; otherwise it moves one byte on.
//
// The result is how many leading bytes the caller may drop: everything behind the last match,
// and also every position at which no pattern can ever match because the whole of the longest
// pattern was already there to compare. So at most (longest pattern - 1) unmatched bytes stay
// pending, which gives exactly the matches that keeping everything would give, while junk that
// matches nothing cannot pile up and be rescanned on every receive.
//
//     int32_t used = CCustomPatternMatcher::Scan(in.ReadPos(), in.Pending(), patterns,
//                                                [&](size_t index) { PostFor(index); });
//     in.Skip(used);
class CCustomPatternMatcher
{
public:
    using MatchFn = std::function<void(size_t patternIndex)>;

    static int32_t Scan(const uint8_t* data, int32_t available, std::span<const CustomPattern> patterns,
                        const MatchFn& onMatch);

    // Whether the pattern's bytes all stand at data[0..] within `available` bytes.
    static bool MatchesAt(const uint8_t* data, int32_t available, const CustomPattern& pattern);
};
