#pragma once
#include <cstdint>

// A rectangle in pixels, right and bottom exclusive.
struct DialogRect
{
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};
