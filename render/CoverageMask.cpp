#include "render/CoverageMask.h"

#include <cstdlib>

namespace
{
// A mask is the size of a layout box, which comes from an item's size in the interface file. A
// bigger mask than this would only ever come from a damaged file.
constexpr int64_t kMaxMaskBytes = 64ll * 1024 * 1024;
} // namespace

CoverageMask* NewCoverageMask(int32_t width, int32_t height)
{
    if (width < 1 || height < 1)
        return nullptr;
    const int64_t bytes = static_cast<int64_t>(width) * height;
    if (bytes > kMaxMaskBytes)
        return nullptr;
    // Header and coverage in one zeroed block, freed whole.
    void* block = std::calloc(1, sizeof(CoverageMask) + static_cast<size_t>(bytes));
    if (block == nullptr)
        return nullptr;
    CoverageMask* mask = static_cast<CoverageMask*>(block);
    mask->width = width;
    mask->height = height;
    mask->data = reinterpret_cast<uint8_t*>(mask + 1);
    return mask;
}

void FreeCoverageMask(CoverageMask* mask)
{
    std::free(mask);
}
