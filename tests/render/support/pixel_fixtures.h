#pragma once
// Shared by the pixel-buffer tests: a fixture with the blend tables built, buffers freed by their
// owner, and one pixel read back as its bytes.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

#include "render/BlendTables.h"
#include "render/PixelBuffer.h"

// The blends read the tables, so every test that draws builds them first and frees them after.
// Base is the GoogleTest fixture class (a parameterised one for the tables of cases).
template <class Base> class WithBlendTables : public Base
{
protected:
    void SetUp() override { ASSERT_TRUE(BuildBlendTables()); }
    void TearDown() override { ReleaseBlendTables(); }
};
using BlendTablesTest = WithBlendTables<::testing::Test>;

struct BufferDeleter
{
    void operator()(CPixelBuffer* buffer) const { CPixelBuffer::Free(buffer); }
};
using BufferPtr = std::unique_ptr<CPixelBuffer, BufferDeleter>;

// One pixel as its B, G, R(, A) bytes; the fourth is 0 in a 24-bit buffer.
using Pixel = std::array<uint8_t, 4>;

inline Pixel At(const CPixelBuffer* buffer, int32_t x, int32_t y)
{
    Pixel pixel{};
    std::memcpy(pixel.data(), buffer->Row(y) + x * (buffer->bitsPerPixel / 8), buffer->bitsPerPixel / 8);
    return pixel;
}
