#pragma once
#include <cstddef>
#include <vector>

#include "fuzz/support/HeadlessInterface.h"

// Runs an undamaged interface file through the real start-up and loader and notes where in the file
// each record begins (each device's channel table, each resource section's count and record).
// The file format has no index: this is the one place that knows where records start, and a
// mutator that damages record headers needs those places.
class CRecordMap : public CHeadlessInterface
{
public:
    // The offsets, in the order the loader reached them.
    const std::vector<size_t>& Offsets() const { return m_offsets; }

protected:
    bool LoadNextRecord() override;
    CAbstractDevice* CreateDevice(const DeviceRecord& record, bool& known) override;

private:
    void NoteReadPosition();

    std::vector<size_t> m_offsets;
};
