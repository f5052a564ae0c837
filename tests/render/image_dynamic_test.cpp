#include <gtest/gtest.h>

#include <FreeImage.h>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "common/DynamicSpriteData.h"
#include "common/InStream.h"
#include "common/StringFunctions.h"
#include "common/Vector.h"
#include "render/BlendTables.h"
#include "render/DynamicSprite.h"
#include "render/PixelBuffer.h"
#include "support/RecordingFetcher.h"
#include "support/image_fixtures.h"
#include "support/text_fixtures.h"

namespace
{
void AppendText(std::vector<uint8_t>& record, const char* text)
{
    if (text == nullptr)
    {
        record.insert(record.end(), {0, 0});
        return;
    }
    const size_t length = std::strlen(text) + 1;
    record.push_back(static_cast<uint8_t>(length));
    record.push_back(static_cast<uint8_t>(length >> 8));
    record.insert(record.end(), text, text + length);
}

// A dynamic-image record: protocol, host, port, path, file, user, password, the refresh field
// as given, the flag.
std::vector<uint8_t> DynamicRecord(const char* host, uint16_t port, const std::vector<uint8_t>& refresh,
                                   uint8_t flag)
{
    std::vector<uint8_t> record = {1};
    AppendText(record, host);
    record.push_back(static_cast<uint8_t>(port));
    record.push_back(static_cast<uint8_t>(port >> 8));
    AppendText(record, "cam");
    AppendText(record, "snapshot.jpg");
    AppendText(record, "admin");
    AppendText(record, nullptr);
    record.insert(record.end(), refresh.begin(), refresh.end());
    record.push_back(flag);
    return record;
}

class ImageDynamic : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FreeImage_Initialise(FALSE);
        ASSERT_TRUE(BuildBlendTables());
        m_png = MakePicture(m_folder.Path(), "alpha.png");
        ASSERT_FALSE(m_png.empty());
    }
    void TearDown() override
    {
        ReleaseBlendTables();
        FreeImage_DeInitialise();
    }

    void Deliver(CDynamicSprite& sprite, const std::vector<uint8_t>& bytes)
    {
        sprite.OnImageData(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }

    // One tick of the refresh pass for one image shown (or not) on the current page.
    static void Tick(CDynamicSprite& sprite, bool shown)
    {
        CVector images(4);
        images.Add(&sprite);
        CDynamicSprite::ClearInUse(&images);
        if (shown)
            sprite.SetInUse(true);
        CDynamicSprite::UpdateFetchers(&images);
    }

    static void Address(CDynamicSprite& sprite, const char* host, uint16_t port)
    {
        CDynamicSpriteData data;
        data.mask = CDynamicSpriteData::ChangeHost | CDynamicSpriteData::ChangePort;
        CDynamicSpriteData::SetText(data.host, host);
        data.port = port;
        sprite.ApplyChanges(&data);
    }

    TempFolder m_folder;
    std::vector<uint8_t> m_png;
};

TEST_F(ImageDynamic, LoadsTheRecordOfEitherFileVersion)
{
    struct Case
    {
        uint32_t version;
        std::vector<uint8_t> refresh;
        uint8_t flag;
        uint32_t period;
        uint8_t expectedFlag;
    };
    const Case cases[] = {
        {0x10500, {0x10, 0x27, 0, 0}, 1, 10000, 1},
        {0x20000, {0xE8, 0x03, 0, 0}, 7, 1000, 1},
        // Older files: one skipped byte, then seconds.
        {0x10400, {0x00, 0x0A, 0x00}, 0, 10000, 0},
        {0x104FF, {0xFF, 0x03, 0x00}, 2, 3000, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.version);
        std::unique_ptr<CInStream> stream(StreamOver(DynamicRecord("127.0.0.1", 8080, c.refresh, c.flag)));
        CDynamicSprite sprite(std::make_unique<CRecordingFetcher>());
        ASSERT_TRUE(sprite.Load(stream.get(), 4, "camera", c.version));
        EXPECT_EQ(stream->Pending(), 0);
        EXPECT_EQ(sprite.GetKind(), CSprite::KindDynamic);
        EXPECT_EQ(sprite.GetId(), 4u);
        EXPECT_STREQ(sprite.GetName(), "camera");
        EXPECT_EQ(sprite.GetProtocol(), 1);
        EXPECT_STREQ(sprite.GetHost(), "127.0.0.1");
        EXPECT_EQ(sprite.GetPort(), 8080);
        EXPECT_STREQ(sprite.GetPath(), "cam");
        EXPECT_STREQ(sprite.GetFile(), "snapshot.jpg");
        EXPECT_STREQ(sprite.GetUser(), "admin");
        EXPECT_EQ(sprite.GetPassword(), nullptr);
        EXPECT_EQ(sprite.GetRefreshPeriod(), c.period);
        EXPECT_EQ(sprite.GetFlag(), c.expectedFlag);
        EXPECT_FALSE(sprite.HasBitmap());
        EXPECT_EQ(sprite.GetWidth(), 0);
    }
}

TEST_F(ImageDynamic, RecordsCutShortAreRefused)
{
    std::vector<uint8_t> record = DynamicRecord("127.0.0.1", 80, {0, 0, 0, 0}, 0);
    // A text length that runs past the end of the record.
    std::vector<uint8_t> badLength = {1, 0xFF, 0x7F, 'h', 'o'};
    for (size_t keep = 0; keep < record.size(); keep += 3)
    {
        std::unique_ptr<CInStream> stream(
            StreamOver(std::vector<uint8_t>(record.begin(), record.begin() + static_cast<long>(keep))));
        CDynamicSprite sprite(std::make_unique<CRecordingFetcher>());
        EXPECT_FALSE(sprite.Load(stream.get(), 1, "x", 0x10500)) << keep;
    }
    std::unique_ptr<CInStream> stream(StreamOver(badLength));
    CDynamicSprite sprite(std::make_unique<CRecordingFetcher>());
    EXPECT_FALSE(sprite.Load(stream.get(), 1, "x", 0x10500));
}

TEST_F(ImageDynamic, PicturesReplaceTheBitmapAndRaiseTheVersion)
{
    CDynamicSprite sprite(std::make_unique<CRecordingFetcher>());
    Deliver(sprite, m_png);
    ASSERT_TRUE(sprite.HasBitmap());
    EXPECT_EQ(sprite.GetVersion(), 1u);
    EXPECT_EQ(sprite.GetWidth(), 4);
    EXPECT_EQ(sprite.GetHeight(), 2);
    // A picture that does not decode leaves the last one and the version.
    Deliver(sprite, std::vector<uint8_t>(m_png.begin(), m_png.begin() + 20));
    Deliver(sprite, {});
    EXPECT_EQ(sprite.GetVersion(), 1u);
    EXPECT_EQ(sprite.GetWidth(), 4);
    const std::vector<uint8_t> gif = MakePicture(m_folder.Path(), "photo.jpg");
    Deliver(sprite, gif);
    EXPECT_EQ(sprite.GetVersion(), 2u);
    EXPECT_EQ(sprite.GetWidth(), 16);
}

TEST_F(ImageDynamic, PictureArrivingWhileTheImageIsLockedIsDropped)
{
    CDynamicSprite sprite(std::make_unique<CRecordingFetcher>());
    std::atomic<bool> holding{false};
    std::atomic<bool> release{false};
    // Another thread draws (holds the lock) while the picture arrives.
    std::thread drawer(
        [&]
        {
            sprite.GetLock()->Enter();
            holding = true;
            while (!release)
                std::this_thread::yield();
            sprite.GetLock()->Leave();
        });
    while (!holding)
        std::this_thread::yield();
    Deliver(sprite, m_png);
    release = true;
    drawer.join();
    EXPECT_FALSE(sprite.HasBitmap());
    EXPECT_EQ(sprite.GetVersion(), 0u);
    // The next picture is taken.
    Deliver(sprite, m_png);
    EXPECT_TRUE(sprite.HasBitmap());
    EXPECT_EQ(sprite.GetVersion(), 1u);
}

TEST_F(ImageDynamic, DrawScalesThePictureToTheWholeBuffer)
{
    CDynamicSprite sprite(std::make_unique<CRecordingFetcher>());
    Deliver(sprite, m_png);
    CPixelBuffer* buffer = CPixelBuffer::Create(8, 4);
    sprite.Draw(buffer, 5, 5); // the position is not used
    for (int32_t y = 0; y < 4; ++y)
    {
        for (int32_t x = 0; x < 8; ++x)
        {
            const uint8_t* pixel = buffer->Row(y) + x * 4;
            if (x < 4)
                EXPECT_EQ(pixel[2], 255) << x << "," << y; // red
            else
                EXPECT_EQ(pixel[0], 255) << x << "," << y; // blue
            EXPECT_NEAR(pixel[3], x < 4 ? 255 : 128, 1);
        }
    }
    // Mask passes also read the bitmap under the lock.
    sprite.DrawCutOut(buffer, nullptr, 0, 0, -1, -1, 0xFF000000);
    EXPECT_NEAR(buffer->Row(0)[3 * 4 + 3], 128, 1); // opaque red times the blue column's alpha
    CPixelBuffer::Free(buffer);
}

TEST_F(ImageDynamic, FetcherRunsOnlyWhileTheImageIsShown)
{
    std::unique_ptr<CInStream> stream(StreamOver(DynamicRecord("127.0.0.1", 8080, {0x10, 0x27, 0, 0}, 0)));
    CDynamicSprite sprite(std::make_unique<CRecordingFetcher>());
    ASSERT_TRUE(sprite.Load(stream.get(), 1, "camera", 0x10500));
    CRecordingFetcher* fetcher = CRecordingFetcher::Of(sprite);
    EXPECT_EQ(fetcher->GetSprite(), &sprite);

    // Never shown: never connected.
    for (int i = 0; i < 3; ++i)
        Tick(sprite, false);
    EXPECT_EQ(fetcher->GetConnectCount(), 0);
    EXPECT_FALSE(sprite.IsFetching());

    // Shown: configured and connected once, then polled every tick.
    Tick(sprite, true);
    EXPECT_EQ(fetcher->GetConfigureCount(), 1);
    EXPECT_EQ(fetcher->GetConnectCount(), 1);
    EXPECT_TRUE(fetcher->IsActive());
    EXPECT_STREQ(fetcher->GetHost(), "127.0.0.1");
    EXPECT_EQ(fetcher->GetRefreshPeriod(), 10000u);
    Tick(sprite, true);
    Tick(sprite, true);
    EXPECT_EQ(fetcher->GetUpdateCount(), 2);
    EXPECT_EQ(fetcher->GetConnectCount(), 1);

    // Leaving the page stops it in the same tick without a disconnect.
    Tick(sprite, false);
    EXPECT_FALSE(fetcher->IsActive());
    EXPECT_FALSE(sprite.IsFetching());
    EXPECT_EQ(fetcher->GetDisconnectCount(), 0);
    Tick(sprite, false);
    EXPECT_EQ(fetcher->GetUpdateCount(), 2);

    // Coming back configures and connects again.
    Tick(sprite, true);
    EXPECT_EQ(fetcher->GetConfigureCount(), 2);
    EXPECT_EQ(fetcher->GetConnectCount(), 2);
    EXPECT_TRUE(fetcher->IsActive());
}

TEST_F(ImageDynamic, ImageWithoutAnAddressIsNotTriedAgainWhileShown)
{
    struct Case
    {
        const char* host;
        uint16_t port;
    };
    for (const Case& c : {Case{nullptr, 80}, Case{"", 80}, Case{"127.0.0.1", 0}})
    {
        CDynamicSprite sprite(std::make_unique<CRecordingFetcher>());
        Address(sprite, c.host, c.port);
        for (int i = 0; i < 3; ++i)
            Tick(sprite, true);
        EXPECT_TRUE(sprite.IsFetching());
        EXPECT_EQ(CRecordingFetcher::Of(sprite)->GetConfigureCount(), 0);
        EXPECT_EQ(CRecordingFetcher::Of(sprite)->GetConnectCount(), 0);
        EXPECT_EQ(CRecordingFetcher::Of(sprite)->GetUpdateCount(), 2);
    }
}

TEST_F(ImageDynamic, ChangesDisconnectAndSetTheFetcherUpAgain)
{
    CDynamicSprite sprite(std::make_unique<CRecordingFetcher>());
    Address(sprite, "127.0.0.1", 80);
    Tick(sprite, true);
    CRecordingFetcher* fetcher = CRecordingFetcher::Of(sprite);
    ASSERT_EQ(fetcher->GetConnectCount(), 1);
    fetcher->SetPictureReceived(true);

    // Host and port change together.
    Address(sprite, "127.0.0.1", 8081);
    EXPECT_STREQ(sprite.GetHost(), "127.0.0.1");
    EXPECT_EQ(sprite.GetPort(), 8081);
    EXPECT_EQ(fetcher->GetDisconnectCount(), 2); // also the change made before the first tick
    EXPECT_FALSE(sprite.IsFetching());
    EXPECT_FALSE(fetcher->GetPictureReceived());
    Tick(sprite, true);
    EXPECT_STREQ(fetcher->GetHost(), "127.0.0.1");
    EXPECT_EQ(fetcher->GetPort(), 8081);

    // Only the period: reconnects to the old address with the new period.
    CDynamicSpriteData period;
    period.mask = CDynamicSpriteData::ChangeRefreshPeriod;
    period.refreshPeriod = 2500;
    // A text without its bit is not taken: the host would be gone.
    CDynamicSpriteData::SetText(period.host, "");
    sprite.ApplyChanges(&period);
    EXPECT_EQ(fetcher->GetRefreshPeriod(), 2500u);
    Tick(sprite, true);
    EXPECT_STREQ(fetcher->GetHost(), "127.0.0.1");
    EXPECT_EQ(fetcher->GetPort(), 8081);
    EXPECT_EQ(fetcher->GetConnectCount(), 3);
    EXPECT_EQ(sprite.GetRefreshPeriod(), 2500u);

    // Every other field with its bit.
    CDynamicSpriteData all;
    all.mask = 0x3FF;
    all.protocol = 2;
    all.flag = 5;
    CDynamicSpriteData::SetText(all.user, "u");
    CDynamicSpriteData::SetText(all.password, "p");
    CDynamicSpriteData::SetText(all.path, "a/b");
    CDynamicSpriteData::SetText(all.file, "f.png");
    sprite.ApplyChanges(&all);
    EXPECT_EQ(sprite.GetProtocol(), 2);
    EXPECT_EQ(sprite.GetFlag(), 1);
    EXPECT_STREQ(sprite.GetUser(), "u");
    EXPECT_STREQ(sprite.GetPassword(), "p");
    EXPECT_STREQ(sprite.GetPath(), "a/b");
    EXPECT_STREQ(sprite.GetFile(), "f.png");
    EXPECT_EQ(sprite.GetHost(), nullptr);
    EXPECT_EQ(sprite.GetPort(), 0);
}

TEST_F(ImageDynamic, RefreshRequestFetchesAgainAndRaisesTheVersion)
{
    CDynamicSprite sprite(std::make_unique<CRecordingFetcher>());
    CRecordingFetcher::Of(sprite)->SetPictureReceived(true);
    sprite.SetRefreshPeriod(1);
    EXPECT_EQ(CRecordingFetcher::Of(sprite)->GetRefreshPeriod(), 1u);
    EXPECT_FALSE(CRecordingFetcher::Of(sprite)->GetPictureReceived());
    EXPECT_EQ(sprite.GetVersion(), 1u);
    EXPECT_EQ(sprite.GetRefreshPeriod(), 0u);
}

TEST_F(ImageDynamic, PicturesFromAnotherThreadWhileDrawing)
{
    CDynamicSprite sprite(std::make_unique<CRecordingFetcher>());
    const std::vector<uint8_t> jpeg = MakePicture(m_folder.Path(), "photo.jpg");
    std::atomic<bool> done{false};
    std::atomic<int> sent{0};
    std::thread transport(
        [&]
        {
            for (int i = 0; i < 200; ++i)
            {
                const std::vector<uint8_t>& bytes = (i % 2) != 0 ? jpeg : m_png;
                sprite.OnImageData(bytes.data(), static_cast<uint32_t>(bytes.size()));
                ++sent;
            }
            done = true;
        });
    CPixelBuffer* buffer = CPixelBuffer::Create(32, 32);
    uint32_t lastVersion = 0;
    while (!done)
    {
        sprite.Draw(buffer, 0, 0);
        const int32_t width = sprite.GetWidth();
        EXPECT_TRUE(width == 0 || width == 4 || width == 16);
        const uint32_t version = sprite.GetVersion();
        EXPECT_GE(version, lastVersion);
        lastVersion = version;
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    transport.join();
    CPixelBuffer::Free(buffer);
    // Each picture was either taken (one version step) or dropped.
    EXPECT_LE(sprite.GetVersion(), 200u);
    const uint32_t before = sprite.GetVersion();
    Deliver(sprite, m_png);
    EXPECT_EQ(sprite.GetVersion(), before + 1);
    EXPECT_EQ(sprite.GetWidth(), 4);
}
} // namespace
