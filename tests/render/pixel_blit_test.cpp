#include "render/BlendTables.h"
#include "render/PixelBuffer.h"
#include "render/PixelBufferRows.h"
#include "support/pixel_fixtures.h"

#include <gtest/gtest.h>

#include <memory>

#include <climits>
#include <cstring>
#include <random>
#include <vector>

namespace
{
class PixelBlitTest : public BlendTablesTest
{
};

BufferPtr MakeBuffer(int32_t width, int32_t height)
{
    BufferPtr buffer(CPixelBuffer::Create(width, height));
    EXPECT_NE(buffer, nullptr);
    return buffer;
}

uint8_t* PixelAt(const CPixelBuffer* buffer, int32_t x, int32_t y)
{
    return buffer->Row(y) + static_cast<size_t>(x) * (buffer->bitsPerPixel / 8);
}

// The table rule for one pixel, written with the single-pixel blends: the blit must give exactly
// this, whichever path it takes.
void ReferenceBlit(const CPixelBuffer* destination, int32_t x, int32_t y, const CPixelBuffer* source,
                   int32_t sx, int32_t sy, uint8_t alpha)
{
    const uint8_t* s = PixelAt(source, sx, sy);
    const uint8_t weight = BlendProduct(s[3], alpha);
    if (destination->bitsPerPixel == 32)
    {
        BlendPixel32(PixelAt(destination, x, y), weight, s);
    }
    else
    {
        BlendPixel24(PixelAt(destination, x, y), weight, s);
    }
}

void ExpectSameBytes(const CPixelBuffer* actual, const CPixelBuffer* expected, const char* what)
{
    ASSERT_EQ(actual->stride, expected->stride);
    for (int32_t y = 0; y < actual->height; ++y)
    {
        for (int32_t x = 0; x < actual->stride; ++x)
        {
            ASSERT_EQ(actual->Row(y)[x], expected->Row(y)[x]) << what << ": row " << y << " byte " << x;
        }
    }
}

struct NamedPath
{
    const char* name;
    BlitRow32Function function; // null: BlitPixelBuffer itself, with the kernel it picks
};

// Every row kernel this processor runs, and BlitPixelBuffer.
std::vector<NamedPath> Paths()
{
    const BlitRow32Paths paths = GetBlitRow32Paths();
    std::vector<NamedPath> named = {{"Tables", paths.tables}, {"BlitPixelBuffer", nullptr}};
    if (paths.sse2 != nullptr)
    {
        named.push_back({"Sse2", paths.sse2});
    }
    if (paths.avx2 != nullptr)
    {
        named.push_back({"Avx2", paths.avx2});
    }
    if (paths.avx512 != nullptr)
    {
        named.push_back({"Avx512", paths.avx512});
    }
    return named;
}

class PixelBlitPathTest : public WithBlendTables<::testing::TestWithParam<NamedPath>>
{
protected:
    // The whole source at (x, y), which must lie inside the destination.
    void Blit(int32_t x, int32_t y, CPixelBuffer* destination, const CPixelBuffer* source, uint8_t alpha)
    {
        const BlitRow32Function function = GetParam().function;
        if (function == nullptr)
        {
            BlitPixelBuffer(x, y, destination, nullptr, source, alpha);
            return;
        }
        for (int32_t row = 0; row < source->height; ++row)
        {
            function(PixelAt(destination, x, y + row), source->Row(row), source->width, alpha);
        }
    }
};

INSTANTIATE_TEST_SUITE_P(Kernels, PixelBlitPathTest, ::testing::ValuesIn(Paths()),
                         [](const ::testing::TestParamInfo<NamedPath>& info) { return info.param.name; });

// Every (destination, source, weight) triple of one colour byte over an opaque destination: column
// c holds source byte c & 255 over destination byte c >> 8, and pass r has source alpha r.
TEST_P(PixelBlitPathTest, OverOpaqueMatchesTheTablesForEveryByteTriple)
{
    const int32_t width = 65536;
    BufferPtr source = MakeBuffer(width, 1);
    BufferPtr actual = MakeBuffer(width, 1);
    BufferPtr expected = MakeBuffer(width, 1);
    for (uint32_t sourceAlpha = 0; sourceAlpha < 256; ++sourceAlpha)
    {
        for (int32_t c = 0; c < width; ++c)
        {
            const uint8_t s = static_cast<uint8_t>(c), d = static_cast<uint8_t>(c >> 8);
            const uint8_t sp[4] = {s, static_cast<uint8_t>(255 - s), static_cast<uint8_t>(s ^ 0xA5),
                                   static_cast<uint8_t>(sourceAlpha)};
            const uint8_t dp[4] = {d, static_cast<uint8_t>(d ^ 0x3C), static_cast<uint8_t>(255 - d), 255};
            std::memcpy(PixelAt(source.get(), c, 0), sp, 4);
            std::memcpy(PixelAt(actual.get(), c, 0), dp, 4);
            std::memcpy(PixelAt(expected.get(), c, 0), dp, 4);
            ReferenceBlit(expected.get(), c, 0, source.get(), c, 0, 255);
        }
        Blit(0, 0, actual.get(), source.get(), 255);
        ExpectSameBytes(actual.get(), expected.get(), "over opaque");
        if (HasFatalFailure())
        {
            FAIL() << "source alpha " << sourceAlpha;
        }
    }
}

// Every overall alpha against every source alpha, over destinations whose alphas are all opaque,
// all transparent, or mixed within a group of pixels; placed at odd offsets so that rows start
// and end in the middle of a group.
TEST_P(PixelBlitPathTest, EveryAlphaPairOverAnyDestinationMatchesTheTables)
{
    std::mt19937 random(12345);
    const int32_t width = 256 + 3, height = 3;
    BufferPtr source = MakeBuffer(width, height);
    for (int32_t y = 0; y < height; ++y)
    {
        for (int32_t x = 0; x < width; ++x)
        {
            uint8_t* p = PixelAt(source.get(), x, y);
            p[0] = static_cast<uint8_t>(random());
            p[1] = static_cast<uint8_t>(random());
            p[2] = static_cast<uint8_t>(random());
            p[3] = static_cast<uint8_t>(x); // every source alpha in each row
        }
    }
    const char* patterns[] = {"opaque", "transparent", "mixed"};
    for (int pattern = 0; pattern < 3; ++pattern)
    {
        BufferPtr background = MakeBuffer(width + 5, height + 2);
        for (int32_t y = 0; y < background->height; ++y)
        {
            for (int32_t x = 0; x < background->width; ++x)
            {
                uint8_t* p = PixelAt(background.get(), x, y);
                p[0] = static_cast<uint8_t>(random());
                p[1] = static_cast<uint8_t>(random());
                p[2] = static_cast<uint8_t>(random());
                const uint8_t mixed[] = {0, 255, static_cast<uint8_t>(random())};
                p[3] = pattern == 0 ? 255 : pattern == 1 ? 0 : mixed[random() % 3];
            }
        }
        const size_t bytes = static_cast<size_t>(background->stride) * background->height;
        for (uint32_t alpha = 0; alpha < 256; ++alpha)
        {
            BufferPtr actual = MakeBuffer(background->width, background->height);
            BufferPtr expected = MakeBuffer(background->width, background->height);
            std::memcpy(actual->pixels, background->pixels, bytes);
            std::memcpy(expected->pixels, background->pixels, bytes);
            Blit(3, 1, actual.get(), source.get(), static_cast<uint8_t>(alpha));
            for (int32_t y = 0; y < height; ++y)
            {
                for (int32_t x = 0; x < width; ++x)
                {
                    ReferenceBlit(expected.get(), x + 3, y + 1, source.get(), x, y,
                                  static_cast<uint8_t>(alpha));
                }
            }
            ExpectSameBytes(actual.get(), expected.get(), patterns[pattern]);
            if (HasFatalFailure())
            {
                FAIL() << patterns[pattern] << " alpha " << alpha;
            }
        }
    }
}

TEST_F(PixelBlitTest, TwentyFourBitDestinationMatchesTheTablesAndKeepsRowPadding)
{
    std::mt19937 random(99);
    BufferPtr source = MakeBuffer(256, 2);
    for (int32_t x = 0; x < 256; ++x)
    {
        for (int32_t y = 0; y < 2; ++y)
        {
            uint8_t* p = PixelAt(source.get(), x, y);
            p[0] = static_cast<uint8_t>(random());
            p[1] = static_cast<uint8_t>(random());
            p[2] = static_cast<uint8_t>(random());
            p[3] = static_cast<uint8_t>(x);
        }
    }
    const int32_t stride = 260 * 3 + 4;
    for (uint32_t alpha : {0u, 1u, 128u, 254u, 255u})
    {
        std::vector<uint8_t> actualBytes(static_cast<size_t>(stride) * 3), expectedBytes;
        for (uint8_t& byte : actualBytes)
        {
            byte = static_cast<uint8_t>(random());
        }
        expectedBytes = actualBytes;
        CPixelBuffer actual{260, 3, stride, 24, actualBytes.data()};
        CPixelBuffer expected{260, 3, stride, 24, expectedBytes.data()};
        BlitPixelBuffer(2, 1, &actual, nullptr, source.get(), static_cast<uint8_t>(alpha));
        for (int32_t y = 0; y < 2; ++y)
        {
            for (int32_t x = 0; x < 256; ++x)
            {
                ReferenceBlit(&expected, x + 2, y + 1, source.get(), x, y, static_cast<uint8_t>(alpha));
            }
        }
        EXPECT_EQ(actualBytes, expectedBytes) << "alpha " << alpha;
    }
}

// Which destination pixels a blit touches: an opaque 4 x 4 source at alpha 255 over a 10 x 8
// destination, for positions and clip rectangles on every side.
TEST_F(PixelBlitTest, DrawsExactlyTheAreaInsideDestinationSourceAndClip)
{
    struct Case
    {
        const char* name;
        int32_t x, y;
        bool hasClip;
        PixelRect clip;
        PixelRect drawn; // empty when nothing may change
    };
    const Case cases[] = {
        {"whole", 2, 1, false, {}, {2, 1, 6, 5}},
        {"off the top-left corner", -2, -3, false, {}, {0, 0, 2, 1}},
        {"off the bottom-right corner", 8, 6, false, {}, {8, 6, 10, 8}},
        {"cut by the clip", 2, 1, true, {3, 2, 5, 4}, {3, 2, 5, 4}},
        {"clip beyond the destination", -1, -1, true, {-50, -50, 50, 50}, {0, 0, 3, 3}},
        {"wholly left of the clip", 0, 0, true, {4, 0, 10, 8}, {0, 0, 0, 0}},
        {"wholly above the clip", 0, 0, true, {0, 4, 10, 8}, {0, 0, 0, 0}},
        {"wholly beyond the clip", 6, 4, true, {0, 0, 6, 4}, {0, 0, 0, 0}},
        {"inverted clip", 0, 0, true, {3, 3, 1, 1}, {0, 0, 0, 0}},
        {"wholly off the destination", 10, 0, false, {}, {0, 0, 0, 0}},
        {"far beyond int range", INT_MAX - 1, INT_MAX - 1, false, {}, {0, 0, 0, 0}},
        {"far before int range", INT_MIN + 1, INT_MIN + 1, false, {}, {0, 0, 0, 0}},
    };
    BufferPtr source = MakeBuffer(4, 4);
    FillPixelBuffer(source.get(), 4, 4, 0xFF123456u);
    for (const Case& c : cases)
    {
        BufferPtr destination = MakeBuffer(10, 8);
        BlitPixelBuffer(c.x, c.y, destination.get(), c.hasClip ? &c.clip : nullptr, source.get(), 255);
        for (int32_t y = 0; y < 8; ++y)
        {
            for (int32_t x = 0; x < 10; ++x)
            {
                const bool inside =
                    x >= c.drawn.left && x < c.drawn.right && y >= c.drawn.top && y < c.drawn.bottom;
                uint32_t value;
                std::memcpy(&value, PixelAt(destination.get(), x, y), 4);
                EXPECT_EQ(value, inside ? 0xFF123456u : 0u) << c.name << " at " << x << "," << y;
            }
        }
    }
}

TEST_F(PixelBlitTest, SourcePixelsComeFromTheOffsetOfTheClippedCorner)
{
    BufferPtr source = MakeBuffer(3, 3);
    for (int32_t y = 0; y < 3; ++y)
    {
        for (int32_t x = 0; x < 3; ++x)
        {
            const uint32_t value = 0xFF000000u | static_cast<uint32_t>(y * 3 + x + 1);
            std::memcpy(PixelAt(source.get(), x, y), &value, 4);
        }
    }
    BufferPtr destination = MakeBuffer(2, 2);
    const PixelRect clip{1, 0, 2, 2};
    BlitPixelBuffer(-1, -1, destination.get(), &clip, source.get(), 255);
    // Destination (1, 0) shows source (2, 1) = 6 and (1, 1) shows (2, 2) = 9; column 0 is clipped.
    uint32_t values[4];
    for (int i = 0; i < 4; ++i)
    {
        std::memcpy(&values[i], PixelAt(destination.get(), i % 2, i / 2), 4);
    }
    EXPECT_EQ(values[0], 0u);
    EXPECT_EQ(values[1], 0xFF000006u);
    EXPECT_EQ(values[2], 0u);
    EXPECT_EQ(values[3], 0xFF000009u);
}

TEST_F(PixelBlitTest, RefusesUnsupportedDepthsAndAlphaZeroChangesNothing)
{
    BufferPtr source = MakeBuffer(4, 4);
    FillPixelBuffer(source.get(), 4, 4, 0xFFFFFFFFu);
    BufferPtr destination = MakeBuffer(4, 4);
    FillPixelBuffer(destination.get(), 2, 4, 0x80102030u); // half opaque-ish, half transparent black
    std::vector<uint8_t> before(destination->pixels, destination->pixels + 64);

    BlitPixelBuffer(0, 0, destination.get(), nullptr, source.get(), 0);
    EXPECT_EQ(std::vector<uint8_t>(destination->pixels, destination->pixels + 64), before) << "alpha 0";

    destination->bitsPerPixel = 16;
    BlitPixelBuffer(0, 0, destination.get(), nullptr, source.get(), 255);
    destination->bitsPerPixel = 32;
    EXPECT_EQ(std::vector<uint8_t>(destination->pixels, destination->pixels + 64), before)
        << "16-bit destination";

    source->bitsPerPixel = 24;
    BlitPixelBuffer(0, 0, destination.get(), nullptr, source.get(), 255);
    source->bitsPerPixel = 32;
    EXPECT_EQ(std::vector<uint8_t>(destination->pixels, destination->pixels + 64), before) << "24-bit source";

    BlitPixelBuffer(0, 0, nullptr, nullptr, source.get(), 255);
    BlitPixelBuffer(0, 0, destination.get(), nullptr, nullptr, 255);
}
} // namespace
