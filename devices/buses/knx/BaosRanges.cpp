#include "devices/buses/knx/BaosRanges.h"

namespace
{
void CutRun(uint32_t first, uint32_t last, std::vector<BaosDatapointRange>& ranges)
{
    for (uint32_t id = first; id <= last; id += CBaosRangeBuilder::kMaxRangeCount)
    {
        uint32_t count = last - id + 1;
        if (count > CBaosRangeBuilder::kMaxRangeCount)
            count = CBaosRangeBuilder::kMaxRangeCount;
        ranges.push_back({static_cast<uint16_t>(count), static_cast<uint16_t>(id)});
    }
}
} // namespace

std::vector<BaosDatapointRange> CBaosRangeBuilder::Build() const
{
    std::vector<BaosDatapointRange> ranges;
    bool inRun = false;
    uint32_t first = 0, last = 0;
    for (uint32_t id = 0; id < kIdCount; ++id)
    {
        if (!m_flags[id])
            continue;
        if (inRun && id - last - 1 <= kMaxJoinedGap)
        {
            last = id;
            continue;
        }
        if (inRun)
            CutRun(first, last, ranges);
        inRun = true;
        first = last = id;
    }
    if (inRun)
        CutRun(first, last, ranges);
    return ranges;
}
