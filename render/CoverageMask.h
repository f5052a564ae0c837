#pragma once
#include <cstdint>

// An 8-bit coverage mask (0 none to 255 full, rows top-down, width bytes a row). The header and
// the bytes are one zeroed heap block; free it whole with FreeCoverageMask.
struct CoverageMask
{
    int32_t width;
    int32_t height;
    uint8_t* data;
};

// A zeroed mask of that size; null when either side is below 1 or the size is unreasonably large.
CoverageMask* NewCoverageMask(int32_t width, int32_t height);
void FreeCoverageMask(CoverageMask* mask);
