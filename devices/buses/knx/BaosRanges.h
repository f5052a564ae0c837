#pragma once
#include <cstdint>
#include <vector>

// A block of datapoints read with one value request.
struct BaosDatapointRange
{
    uint16_t count = 0;
    uint16_t firstId = 0;
};

// Turns the flags of the datapoints to read (indexed by id, at most 65536) into read requests:
// flagged ids form runs, a gap of at most kMaxJoinedGap unflagged ids inside a run is read along
// with it, and each run is cut into ranges of at most kMaxRangeCount ids, in id order.
class CBaosRangeBuilder
{
public:
    static constexpr uint32_t kIdCount = 65536;
    static constexpr uint32_t kMaxJoinedGap = 5;
    static constexpr uint16_t kMaxRangeCount = 20;

    void Flag(uint16_t id) { m_flags[id] = 1; }
    std::vector<BaosDatapointRange> Build() const;

private:
    std::vector<uint8_t> m_flags = std::vector<uint8_t>(kIdCount, 0);
};
