#pragma once
#include <cstdint>
#include <vector>

// Where one value lives in the station's memory.
struct EpsnetValueSpan
{
    uint8_t area = 0;
    uint16_t address = 0;
    uint8_t size = 0;
};

// One read request's range.
struct EpsnetBlockRange
{
    uint8_t area = 0;
    uint16_t start = 0;
    uint16_t length = 0;

    bool operator==(const EpsnetBlockRange& other) const
    {
        return area == other.area && start == other.start && length == other.length;
    }
};

// Groups the values into read blocks: values that follow one another, or are separated by at
// most kMaxGap unused bytes, share a block while the block, gaps included, stays within
// kBlockBudget bytes (its length is one byte of the read request). Where two values start at
// the same address the larger size counts. Blocks come in area order, then address order; every
// value lies wholly within one block.
class CEpsnetReadPlan
{
public:
    static constexpr int32_t kAreas = 4;
    static constexpr int32_t kAreaSize = 65536;
    static constexpr int32_t kBlockBudget = 200;
    static constexpr int32_t kMaxGap = 10;

    static std::vector<EpsnetBlockRange> Build(const std::vector<EpsnetValueSpan>& values);
};
