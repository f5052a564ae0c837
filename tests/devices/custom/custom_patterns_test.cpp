// The custom channel's blob and the feedback-pattern matcher, from byte tables.
#include "CustomTestSupport.h"
#include "devices/controllers/custom/CustomChannel.h"
#include "devices/controllers/custom/CustomPatternMatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace
{
using custom_test::Blob;

TEST(CustomChannel, LoadsTheBlobAndRefusesWhatDoesNotFit)
{
    // Every field, with the optional timing.
    CCustomChannel full(7, 0, 6, 0);
    auto blob = Blob(32, 12, 34, 3, {0x00, 0xFF, 0x80}, true, 500, 250);
    full.Load(blob.data(), static_cast<uint32_t>(blob.size()));
    EXPECT_EQ(full.GetKind(), 32);
    EXPECT_EQ(full.GetEventChannel(), 12u);
    EXPECT_EQ(full.GetEventValue(), 34u);
    EXPECT_EQ(full.GetRepeatCount(), 3);
    ASSERT_EQ(full.GetByteLength(), 3u);
    EXPECT_EQ(std::vector<uint8_t>(full.GetBytes(), full.GetBytes() + 3),
              (std::vector<uint8_t>{0x00, 0xFF, 0x80}));
    EXPECT_EQ(full.GetHoldPeriod(), 500u);
    EXPECT_EQ(full.GetSequenceDelay(), 250u);

    // Too short for the fixed fields: the defaults stay (kind 0, repeat 1).
    CCustomChannel shortBlob(1, 0, 0, 0);
    shortBlob.Load(blob.data(), 13);
    EXPECT_EQ(shortBlob.GetKind(), 0);
    EXPECT_EQ(shortBlob.GetRepeatCount(), 1);
    shortBlob.Load(nullptr, 100);
    EXPECT_EQ(shortBlob.GetKind(), 0);

    // A length that would wrap round when added to the offset: no bytes, nothing read past.
    for (uint32_t length : {0xFFFFFFFFu, 0xFFFFFFF3u, 0xFFFFFFF2u, 4u})
    {
        auto bad = Blob(1, 0, 0, 1, {0x41, 0x42, 0x43});
        bad[10] = static_cast<uint8_t>(length);
        bad[11] = static_cast<uint8_t>(length >> 8);
        bad[12] = static_cast<uint8_t>(length >> 16);
        bad[13] = static_cast<uint8_t>(length >> 24);
        CCustomChannel channel(1, 0, 0, 0);
        channel.Load(bad.data(), static_cast<uint32_t>(bad.size()));
        EXPECT_EQ(channel.GetKind(), 1) << length;
        EXPECT_EQ(channel.GetByteLength(), 0u) << length;
        EXPECT_EQ(channel.GetHoldPeriod(), 0u) << length;
    }

    // Timing fields only when all eight bytes follow.
    auto partial = Blob(32, 0, 0, 1, {0x41}, true, 500, 250);
    partial.pop_back();
    CCustomChannel untimed(1, 0, 0, 0);
    untimed.Load(partial.data(), static_cast<uint32_t>(partial.size()));
    EXPECT_EQ(untimed.GetByteLength(), 1u);
    EXPECT_EQ(untimed.GetHoldPeriod(), 0u);
    EXPECT_EQ(untimed.GetSequenceDelay(), 0u);
}

TEST(CustomChannel, HeldTimeSendsOnceAboveThePeriodAndSurvivesAPause)
{
    CCustomChannel channel(1, 0, 0, 0);
    auto blob = Blob(32, 0, 0, 1, {0x48}, true, 500, 0);
    channel.Load(blob.data(), static_cast<uint32_t>(blob.size()));
    std::vector<int> sentAt;
    for (int tick = 1; tick <= 202; ++tick)
        if (channel.AddHeldTime(5))
            sentAt.push_back(tick * 5);
    EXPECT_EQ(sentAt, (std::vector<int>{505, 1010}));
    // 0 ms left after the second send; the next hold continues from what was accumulated.
    EXPECT_EQ(channel.GetHeldTime(), 0u);
    channel.AddHeldTime(300);
    EXPECT_EQ(channel.GetHeldTime(), 300u);
}

struct ScanCase
{
    const char* name;
    std::vector<std::string> patterns;
    std::string data;
    std::vector<size_t> matches; // pattern indices in the order reported
    int32_t used;                // bytes the caller may drop
};

TEST(CustomPatternMatcher, ReportsMatchesAndKeepsOnlyWhatMayStillMatch)
{
    const ScanCase cases[] = {
        {"whole", {"OK"}, "OK", {0}, 2},
        {"first piece of a split pattern stays", {"OK"}, "O", {}, 0},
        {"junk before a piece: only the piece stays", {"OK"}, "xyzO", {}, 3},
        {"junk with nothing pending", {"OK"}, "xyz", {}, 2},
        {"two equal patterns both post", {"OK", "OK"}, "OK", {0, 1}, 2},
        {"the last match decides the skip", {"ABC", "AB"}, "ABCAB", {0, 1, 1}, 5},
        {"a shorter last pattern skips less", {"AB", "ABC"}, "ABC", {0, 1}, 3},
        {"repeated occurrences", {"OK"}, "xOKyOKz", {0, 0}, 6},
        {"a pattern cut by the end waits", {"READY"}, "xxREA", {}, 1},
        {"an empty pattern never matches", {""}, "abc", {}, 3},
        {"no patterns keep nothing", {}, "abc", {}, 3},
        {"bytes above 0x7F and NUL", {std::string("\x00\xFF", 2)}, std::string("\x01\x00\xFF", 3), {0}, 3},
    };
    for (const ScanCase& c : cases)
    {
        std::vector<CustomPattern> patterns;
        for (const std::string& p : c.patterns)
            patterns.push_back(
                CustomPattern{reinterpret_cast<const uint8_t*>(p.data()), static_cast<uint32_t>(p.size())});
        std::vector<size_t> matches;
        int32_t used = CCustomPatternMatcher::Scan(reinterpret_cast<const uint8_t*>(c.data.data()),
                                                   static_cast<int32_t>(c.data.size()), patterns,
                                                   [&](size_t i) { matches.push_back(i); });
        EXPECT_EQ(matches, c.matches) << c.name;
        EXPECT_EQ(used, c.used) << c.name;
    }
}

// The scan as it would be with every unmatched byte kept: the read position moves only past
// matches, and the bytes after it are scanned again on every receive.
void KeepAllScan(std::string& pending, const std::vector<std::string>& patterns, std::vector<size_t>& out)
{
    size_t position = 0;
    size_t read = 0;
    while (position < pending.size())
    {
        size_t length = 0;
        for (size_t i = 0; i < patterns.size(); ++i)
        {
            const std::string& p = patterns[i];
            if (!p.empty() && pending.compare(position, p.size(), p) == 0 &&
                position + p.size() <= pending.size())
            {
                out.push_back(i);
                length = p.size();
            }
        }
        position = length ? position + length : position + 1;
        if (length)
            read = position;
    }
    pending.erase(0, read);
}

// Dropping the decided bytes gives the same matches as keeping every byte, however the data is cut.
TEST(CustomPatternMatcher, BoundedBufferFindsWhatKeepingEverythingFinds)
{
    const std::vector<std::string> texts = {"OK", "ERR", "OKAY", "K"};
    std::vector<CustomPattern> patterns;
    for (const std::string& p : texts)
        patterns.push_back(
            CustomPattern{reinterpret_cast<const uint8_t*>(p.data()), static_cast<uint32_t>(p.size())});
    std::string data;
    uint32_t seed = 7;
    const char alphabet[] = "OKAYERx";
    for (int i = 0; i < 4000; ++i)
    {
        seed = seed * 1103515245u + 12345u;
        data.push_back(alphabet[(seed >> 16) % 7]);
    }
    for (size_t piece : {1u, 2u, 3u, 7u, 64u, 4000u})
    {
        std::string pending;
        std::string everything;
        std::vector<size_t> bounded;
        std::vector<size_t> reference;
        for (size_t at = 0; at < data.size(); at += piece)
        {
            pending += data.substr(at, piece);
            everything += data.substr(at, piece);
            int32_t used = CCustomPatternMatcher::Scan(reinterpret_cast<const uint8_t*>(pending.data()),
                                                       static_cast<int32_t>(pending.size()), patterns,
                                                       [&](size_t i) { bounded.push_back(i); });
            pending.erase(0, static_cast<size_t>(used));
            EXPECT_LE(pending.size(), 3u);
            KeepAllScan(everything, texts, reference);
        }
        EXPECT_EQ(bounded, reference) << piece;
        EXPECT_FALSE(reference.empty());
    }
}
} // namespace
