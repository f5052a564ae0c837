#include "devices/buses/epsnet/EpsnetReadPlan.h"

#include <algorithm>

namespace
{
// The next used cell at or after `from` and before `limit`; -1 when there is none.
int32_t NextUsed(const std::vector<uint8_t>& map, int32_t from, int32_t limit)
{
    for (int32_t c = from; c < limit && c < CEpsnetReadPlan::kAreaSize; ++c)
    {
        if (map[static_cast<size_t>(c)] != 0)
            return c;
    }
    return -1;
}

void PlanArea(uint8_t area, const std::vector<uint8_t>& map, std::vector<EpsnetBlockRange>& blocks)
{
    int32_t at = NextUsed(map, 0, CEpsnetReadPlan::kAreaSize);
    while (at >= 0)
    {
        const int32_t start = at;
        int32_t end = start + map[static_cast<size_t>(start)];
        int32_t next = -1;
        for (;;)
        {
            // Values inside the block so far, or after a gap of at most kMaxGap cells.
            next = NextUsed(map, at + 1, end + CEpsnetReadPlan::kMaxGap + 1);
            if (next < 0)
                break;
            const int32_t reach = next + map[static_cast<size_t>(next)];
            const int32_t newEnd = reach > end ? reach : end;
            if (newEnd - start > CEpsnetReadPlan::kBlockBudget)
                break;
            end = newEnd;
            at = next;
        }
        blocks.push_back({area, static_cast<uint16_t>(start), static_cast<uint16_t>(end - start)});
        // A value that did not fit starts the next block (it may overlap this one's end).
        at = next >= 0 ? next : NextUsed(map, end, CEpsnetReadPlan::kAreaSize);
    }
}
} // namespace

std::vector<EpsnetBlockRange> CEpsnetReadPlan::Build(const std::vector<EpsnetValueSpan>& values)
{
    std::vector<EpsnetBlockRange> blocks;
    std::vector<uint8_t> map(kAreaSize);
    for (uint8_t area = 0; area < kAreas; ++area)
    {
        bool any = false;
        std::fill(map.begin(), map.end(), uint8_t{0});
        for (const EpsnetValueSpan& v : values)
        {
            if (v.area != area || v.size == 0 || v.address + v.size > kAreaSize)
                continue;
            uint8_t& cell = map[v.address];
            if (v.size > cell)
                cell = v.size;
            any = true;
        }
        if (any)
            PlanArea(area, map, blocks);
    }
    return blocks;
}
