#include <gtest/gtest.h>

#include <FreeImage.h>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/InStream.h"
#include "render/BlendTables.h"
#include "render/PixelBuffer.h"
#include "render/Sprite.h"
#include "support/image_fixtures.h"
#include "support/pixel_fixtures.h"
#include "support/text_fixtures.h"

namespace
{
class ImageSprite : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FreeImage_Initialise(FALSE);
        ASSERT_TRUE(BuildBlendTables());
    }
    void TearDown() override
    {
        ReleaseBlendTables();
        FreeImage_DeInitialise();
    }

    std::vector<uint8_t> Picture(const std::string& name)
    {
        std::vector<uint8_t> bytes = MakePicture(m_folder.Path(), name);
        EXPECT_FALSE(bytes.empty()) << "ImageMagick could not make " << name;
        return bytes;
    }

    // A static image loaded from an image record over the bytes.
    std::unique_ptr<CSprite> LoadStatic(const std::vector<uint8_t>& bytes, uint16_t width = 77,
                                        uint16_t height = 55)
    {
        std::unique_ptr<CInStream> stream(StreamOver(StaticImageRecord(width, height, bytes)));
        auto sprite = std::make_unique<CSprite>();
        EXPECT_TRUE(sprite->Load(stream.get(), 12, "picture", 0x10500));
        EXPECT_EQ(stream->Pending(), 0);
        return sprite;
    }

    TempFolder m_folder;
};

void ExpectPixel(const CPixelBuffer* buffer, int32_t x, int32_t y, const uint8_t (&bgra)[4],
                 int tolerance = 0)
{
    const uint8_t* pixel = buffer->Row(y) + x * 4;
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(pixel[k], bgra[k], tolerance) << "byte " << k << " of pixel " << x << "," << y;
}

TEST_F(ImageSprite, EveryFixtureFormatDecodesAndDrawsItsPixels)
{
    struct Probe
    {
        int32_t x, y;
        uint8_t bgra[4];
    };
    struct Case
    {
        const char* name;
        int32_t width, height;
        int tolerance;
        std::vector<Probe> probes;
    };
    const Case cases[] = {
        {"alpha.png", 4, 2, 1, {{0, 0, {0, 0, 255, 255}}, {3, 1, {255, 0, 0, 128}}}},
        {"palette.png", 4, 2, 0, {{1, 1, {0, 0, 255, 255}}, {2, 0, {0, 255, 0, 255}}}},
        {"photo.jpg", 16, 16, 6, {{8, 8, {40, 40, 200, 255}}, {0, 15, {40, 40, 200, 255}}}},
        // Transparent pixels are skipped and leave the buffer as it was.
        {"clear.gif", 4, 2, 0, {{0, 1, {0, 128, 0, 255}}, {3, 0, {0, 0, 0, 0}}}},
        {"rgb.bmp",
         3,
         2,
         0,
         {{0, 0, {0, 255, 255, 255}}, {2, 1, {255, 0, 0, 255}}, {0, 1, {255, 0, 0, 255}}}},
        {"indexed.bmp",
         3,
         2,
         0,
         {{0, 0, {0, 255, 255, 255}}, {2, 1, {255, 0, 0, 255}}, {1, 0, {255, 0, 0, 255}}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::unique_ptr<CSprite> sprite = LoadStatic(Picture(c.name));
        ASSERT_TRUE(sprite->HasBitmap());
        EXPECT_EQ(sprite->GetWidth(), c.width);
        EXPECT_EQ(sprite->GetHeight(), c.height);
        EXPECT_EQ(sprite->GetVersion(), 1u);
        EXPECT_EQ(sprite->GetKind(), CSprite::KindStatic);
        EXPECT_TRUE(sprite->HasName());
        // Drawn at (1, 1): the image's top-left pixel lands there, the border stays empty.
        BufferPtr buffer(CPixelBuffer::Create(c.width + 2, c.height + 2));
        sprite->Draw(buffer.get(), 1, 1);
        for (const Probe& p : c.probes)
            ExpectPixel(buffer.get(), p.x + 1, p.y + 1, p.bgra, c.tolerance);
        ExpectPixel(buffer.get(), 0, 0, {0, 0, 0, 0});
        ExpectPixel(buffer.get(), c.width + 1, c.height + 1, {0, 0, 0, 0});
    }
}

TEST_F(ImageSprite, HalfTransparentPixelsBlendOverWhatIsThere)
{
    std::unique_ptr<CSprite> sprite = LoadStatic(Picture("alpha.png"));
    BufferPtr buffer(CPixelBuffer::Create(4, 2));
    std::memset(buffer->pixels, 0xFF, 4 * 4 * 2); // opaque white
    sprite->Draw(buffer.get(), 0, 0);
    ExpectPixel(buffer.get(), 0, 0, {0, 0, 255, 255});
    ExpectPixel(buffer.get(), 2, 1, {255, 127, 127, 255}, 1);
    // A 24-bit surface gets the same colours without alpha.
    uint8_t pixels[4 * 3];
    std::memset(pixels, 0xFF, sizeof pixels);
    CPixelBuffer surface{4, 1, 12, 24, pixels};
    sprite->Draw(&surface, -1, 0);
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[2], 255);
    EXPECT_NEAR(pixels[3], 255, 1);
    EXPECT_NEAR(pixels[4], 127, 1);
    EXPECT_EQ(pixels[9], 255); // the last column lies beyond the image
}

TEST_F(ImageSprite, ImagesServeAsMasks)
{
    std::unique_ptr<CSprite> sprite = LoadStatic(Picture("alpha.png"));
    // Cut-out: the buffer is multiplied by the image's alpha.
    BufferPtr cut(CPixelBuffer::Create(4, 2));
    std::memset(cut->pixels, 0xFF, 4 * 4 * 2);
    sprite->DrawCutOut(cut.get(), nullptr, 0, 0, -1, -1, 0xFF000000);
    ExpectPixel(cut.get(), 0, 0, {255, 255, 255, 255});
    ExpectPixel(cut.get(), 3, 0, {128, 128, 128, 128}, 1);
    // Fill tint: the red channel times alpha is the coverage of the colour.
    BufferPtr fill(CPixelBuffer::Create(4, 2));
    sprite->DrawFillTint(fill.get(), nullptr, 0, 0, -1, -1, 0xFF00FF00);
    ExpectPixel(fill.get(), 0, 0, {0, 255, 0, 255});
    ExpectPixel(fill.get(), 3, 0, {0, 0, 0, 0});
    // Border tint: the green channel times alpha; no green here, so nothing is added.
    BufferPtr border(CPixelBuffer::Create(4, 2));
    std::memset(border->pixels, 0x40, 4 * 4 * 2);
    sprite->DrawBorderTint(border.get(), nullptr, 0, 0, -1, -1, 0xFFFFFFFF);
    ExpectPixel(border.get(), 1, 1, {0x40, 0x40, 0x40, 0x40});
}

const std::vector<uint8_t> kHugeGif = {'G',  'I',  'F',  '8',  '9',  'a',  0xFF, 0xFF, 0xFF, 0xFF,
                                       0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF,
                                       0xFF, 0xFF, 0x00, 0x02, 0x02, 0x4C, 0x01, 0x00, 0x3B};

TEST_F(ImageSprite, BadPicturesAreRefusedWithoutACrash)
{
    const std::vector<uint8_t> png = Picture("alpha.png");
    ASSERT_GT(png.size(), 40u);
    std::vector<uint8_t> noise(3000);
    srand(7);
    for (uint8_t& b : noise)
        b = static_cast<uint8_t>(rand());
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"noise", noise},
        {"truncated png", std::vector<uint8_t>(png.begin(), png.begin() + static_cast<long>(png.size() / 2))},
        {"png signature only", std::vector<uint8_t>(png.begin(), png.begin() + 8)},
        {"one byte", {0x42}},
        // The header claims 60000 x 60000 pixels, about 10 GB: refused before decoding.
        {"huge bmp header", BmpHeaderOnly(60000, 60000)},
        {"negative bmp size", BmpHeaderOnly(-5, 0)},
        // A GIF of 30 bytes whose screen and first image claim 65535 x 65535 pixels.
        {"huge gif", kHugeGif},
        {"too wide png", Picture("wide.png")},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CSprite::DecodeImage(c.bytes.data(), static_cast<uint32_t>(c.bytes.size())), nullptr);
        std::unique_ptr<CSprite> sprite = LoadStatic(c.bytes, 30, 20);
        EXPECT_FALSE(sprite->HasBitmap());
        EXPECT_EQ(sprite->GetWidth(), 0);
        EXPECT_EQ(sprite->GetHeight(), 0);
        BufferPtr buffer(CPixelBuffer::Create(4, 4));
        sprite->Draw(buffer.get(), 0, 0);
        sprite->DrawBorderTint(buffer.get(), nullptr, 0, 0, -1, -1, 0xFFFFFFFF);
        ExpectPixel(buffer.get(), 0, 0, {0, 0, 0, 0});
    }
    int32_t width = 0;
    int32_t height = 0;
    const std::vector<uint8_t> huge = BmpHeaderOnly(60000, 60000);
    EXPECT_TRUE(CSprite::PeekImageSize(huge.data(), static_cast<uint32_t>(huge.size()), width, height));
    EXPECT_EQ(width, 60000);
    EXPECT_TRUE(
        CSprite::PeekImageSize(kHugeGif.data(), static_cast<uint32_t>(kHugeGif.size()), width, height));
    EXPECT_EQ(height, 65535);
    const std::vector<uint8_t> gif = Picture("clear.gif");
    EXPECT_TRUE(CSprite::PeekImageSize(gif.data(), static_cast<uint32_t>(gif.size()), width, height));
    EXPECT_EQ(width, 4);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(CSprite::DecodeImage(nullptr, 10), nullptr);
    EXPECT_EQ(CSprite::DecodeImage(png.data(), 0), nullptr);
    EXPECT_EQ(CSprite::DecodeImage(png.data(), CSprite::kMaxEncodedBytes + 1), nullptr);
}

TEST_F(ImageSprite, OnlyFormatsWhoseSizeIsReadFirstAreDecoded)
{
    // FreeImage would decode each of these small, sound pictures; but in their formats a few
    // hundred bytes can declare 30000 x 30000 pixels (SGI, DDS) or a cut header is read from
    // memory nobody wrote (ICO), and the size is known only once the pixels are allocated.
    for (const char* name : {"small.sgi", "small.tga", "small.ico", "small.tif", "small.pcx", "small.dds"})
    {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> bytes = Picture(name);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(CSprite::DecodeImage(bytes.data(), static_cast<uint32_t>(bytes.size())), nullptr);
        int32_t width = -1;
        int32_t height = -1;
        EXPECT_FALSE(
            CSprite::PeekImageSize(bytes.data(), static_cast<uint32_t>(bytes.size()), width, height));
        std::unique_ptr<CSprite> sprite = LoadStatic(bytes, 4, 2);
        EXPECT_FALSE(sprite->HasBitmap());
    }
}

TEST_F(ImageSprite, BmpHeadersMustBeWhole)
{
    // The info header claims 40 bytes; the file ends inside it. FreeImage would read the missing
    // bytes from memory nobody wrote and decode a size never checked.
    std::vector<uint8_t> bmp = Picture("rgb.bmp");
    ASSERT_GT(bmp.size(), 54u);
    for (size_t keep : {size_t(17), size_t(30), size_t(53)})
    {
        std::vector<uint8_t> cut(bmp.begin(), bmp.begin() + static_cast<long>(keep));
        int32_t width = 0;
        int32_t height = 0;
        EXPECT_FALSE(CSprite::PeekImageSize(cut.data(), static_cast<uint32_t>(cut.size()), width, height))
            << keep;
        EXPECT_EQ(CSprite::DecodeImage(cut.data(), static_cast<uint32_t>(cut.size())), nullptr) << keep;
    }
    // A top-down BMP (negative height) keeps its size; the smallest height is refused.
    std::vector<uint8_t> topDown = BmpHeaderOnly(3, -2);
    int32_t width = 0;
    int32_t height = 0;
    EXPECT_TRUE(CSprite::PeekImageSize(topDown.data(), static_cast<uint32_t>(topDown.size()), width, height));
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    std::vector<uint8_t> lowest = BmpHeaderOnly(3, INT32_MIN);
    EXPECT_FALSE(CSprite::PeekImageSize(lowest.data(), static_cast<uint32_t>(lowest.size()), width, height));
}

TEST_F(ImageSprite, PngChunksMustLieWithinTheBytes)
{
    // The decoder reads a chunk whole before looking at it: a chunk that claims more bytes than
    // follow (a text chunk of 1.5 GB in a 260-byte file kept it busy for 14 s) is refused first.
    std::vector<uint8_t> png = Picture("alpha.png");
    ASSERT_GT(png.size(), 45u);
    int32_t width = 0;
    int32_t height = 0;
    ASSERT_TRUE(CSprite::PeekImageSize(png.data(), static_cast<uint32_t>(png.size()), width, height));
    // The chunk after IHDR (at 33) claims 0x5D000025 bytes.
    std::vector<uint8_t> claims = png;
    claims[33] = 0x5D;
    claims[34] = 0x00;
    claims[35] = 0x00;
    claims[36] = 0x25;
    EXPECT_FALSE(CSprite::PeekImageSize(claims.data(), static_cast<uint32_t>(claims.size()), width, height));
    EXPECT_EQ(CSprite::DecodeImage(claims.data(), static_cast<uint32_t>(claims.size())), nullptr);
    // The same file cut inside a chunk.
    std::vector<uint8_t> cut(png.begin(), png.begin() + 45);
    EXPECT_FALSE(CSprite::PeekImageSize(cut.data(), static_cast<uint32_t>(cut.size()), width, height));
}

// A JPEG's size is read from its frame header before the image library sees it. Its own
// header-only load would decode a progressive picture's size by allocating for it: 7.4 GB and 16 s
// for a few hundred bytes.
TEST_F(ImageSprite, JpegSizeComesFromTheFrameHeader)
{
    const std::vector<uint8_t> photo = Picture("photo.jpg");
    int32_t width = 0;
    int32_t height = 0;
    ASSERT_TRUE(CSprite::PeekImageSize(photo.data(), static_cast<uint32_t>(photo.size()), width, height));
    EXPECT_EQ(width, 16);
    EXPECT_EQ(height, 16);

    const std::vector<uint8_t> start = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 'J', 'F'};
    // Progressive frame header: length 11, precision 8, height 65275, width 58111, one component.
    const std::vector<uint8_t> hugeFrame = {0xFF, 0xC2, 0x00, 0x0B, 0x08, 0xFE, 0xFB,
                                            0xE2, 0xFF, 0x01, 0x01, 0x11, 0x00};
    const std::vector<uint8_t> scan = {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00};
    const std::vector<uint8_t> end = {0xFF, 0xD9};
    auto join = [](std::initializer_list<std::vector<uint8_t>> parts)
    {
        std::vector<uint8_t> all;
        for (const std::vector<uint8_t>& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    // Bytes that are no marker and fill bytes before the frame header are passed over, as the
    // decoder passes over them.
    const std::vector<uint8_t> junk = {0xA5, 0x08, 0x0A, 0xFF, 0xFF};
    for (const std::vector<uint8_t>& huge :
         {join({start, hugeFrame, end}), join({start, junk, hugeFrame, end})})
    {
        ASSERT_TRUE(CSprite::PeekImageSize(huge.data(), static_cast<uint32_t>(huge.size()), width, height));
        EXPECT_EQ(width, 58111);
        EXPECT_EQ(height, 65275);
        EXPECT_EQ(CSprite::DecodeImage(huge.data(), static_cast<uint32_t>(huge.size())), nullptr);
    }
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case sizeless[] = {
        {"scan before any frame header", join({start, scan, hugeFrame, end})},
        {"end before any frame header", join({start, end, hugeFrame})},
        {"cut inside the frame header",
         join({start, std::vector<uint8_t>(hugeFrame.begin(), hugeFrame.end() - 3)})},
        {"segment longer than the bytes", {0xFF, 0xD8, 0xFF, 0xE0, 0x7F, 0xFF, 0x00}},
        {"segment length below 2", join({{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01}, hugeFrame})},
        {"frame header too short", {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x05, 0x08, 0x00, 0x10}},
        {"no start of image", join({hugeFrame, end})},
    };
    for (const Case& c : sizeless)
    {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(
            CSprite::PeekImageSize(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), width, height));
        EXPECT_EQ(CSprite::DecodeImage(c.bytes.data(), static_cast<uint32_t>(c.bytes.size())), nullptr);
    }
}

TEST_F(ImageSprite, RecordsWithoutBytesOrCutShort)
{
    // Size 0: no bitmap, the stored size stays.
    std::unique_ptr<CSprite> empty = LoadStatic({}, 30, 20);
    EXPECT_FALSE(empty->HasBitmap());
    EXPECT_EQ(empty->GetWidth(), 30);
    EXPECT_EQ(empty->GetHeight(), 20);
    EXPECT_EQ(empty->GetVersion(), 0u);
    // A size beyond the bytes left, or a header cut short: refused, nothing read past the end.
    std::vector<uint8_t> record = StaticImageRecord(4, 2, Picture("alpha.png"));
    record.resize(record.size() - 1);
    for (size_t keep : {record.size(), size_t(7), size_t(0)})
    {
        std::vector<uint8_t> cut(record.begin(), record.begin() + static_cast<long>(keep));
        std::unique_ptr<CInStream> stream(StreamOver(cut));
        CSprite sprite;
        EXPECT_FALSE(sprite.Load(stream.get(), 1, nullptr, 0x10500)) << keep;
        EXPECT_FALSE(sprite.HasBitmap());
        EXPECT_FALSE(sprite.HasName());
    }
}

TEST_F(ImageSprite, ImageOverADecodedBitmap)
{
    const std::vector<uint8_t> png = Picture("palette.png");
    CSprite sprite(0xFFFFFF, "", CSprite::DecodeImage(png.data(), static_cast<uint32_t>(png.size())));
    EXPECT_EQ(sprite.GetId(), 0xFFFFFFu);
    EXPECT_FALSE(sprite.HasName());
    EXPECT_EQ(sprite.GetWidth(), 4);
    EXPECT_EQ(sprite.GetHeight(), 2);
}
} // namespace
