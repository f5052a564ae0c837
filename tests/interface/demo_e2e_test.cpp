// The program on the demo interface, on a private X display: the Loading page while the file is
// read, then the start page, read back from the screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "support/LoaderTestSupport.h"
#include "support/PanelEndToEndTest.h"
#include "tools/writer/ResourceRecordWriter.h"

namespace
{
const std::string kBuild = NERULAN_BUILD_DIR;

struct ScreenPoint
{
    int x;
    int y;
    uint32_t rgb;
    const char* what;
};

class DemoEndToEnd : public PanelEndToEndTest
{
protected:
    DemoEndToEnd() : PanelEndToEndTest("/tmp/nerulan-demo-XXXXXX") {}

    static uint32_t Pixel(const std::string& shot, int x, int y)
    {
        return RgbAt(shot, (static_cast<size_t>(y) * kScreenWidth + x) * 3);
    }

    static bool Shows(const std::string& shot, const std::vector<ScreenPoint>& points)
    {
        if (shot.empty())
            return false;
        for (const ScreenPoint& p : points)
        {
            if (Pixel(shot, p.x, p.y) != p.rgb)
                return false;
        }
        return true;
    }

    // Polls the screen until it shows the points; the screenshot that did, or "" after the time-out.
    std::string WaitFor(const std::vector<ScreenPoint>& points, uint32_t timeoutMs)
    {
        uint32_t start = platform::ClockMs();
        while (platform::ElapsedMs(platform::ClockMs(), start) < timeoutMs)
        {
            std::string shot = Screenshot();
            if (Shows(shot, points))
                return shot;
            platform::SleepMs(50);
        }
        return "";
    }

    static void ExpectPoints(const std::string& shot, const std::vector<ScreenPoint>& points)
    {
        ASSERT_FALSE(shot.empty());
        for (const ScreenPoint& p : points)
            EXPECT_EQ(p.rgb, Pixel(shot, p.x, p.y)) << p.what << " at " << p.x << "," << p.y;
    }
};

// The Loading page of an 800 x 600 design: the splash picture (240 x 96, its frame in the bar's
// track colour) centred above the progress bar.
const std::vector<ScreenPoint> kLoadingPage = {
    {5, 5, 0x000000, "black page"},
    {282, 280, 0x1E9DC0, "splash frame"},
    {400, 252, 0x0B3D4C, "splash inside"},
};

// The demo's start page: its background, the sun picture and the frame of a navigation button.
const std::vector<ScreenPoint> kDemoHome = {
    {10, 100, 0x1B2A3A, "page background"},
    {680, 180, 0xF5B82E, "sun picture"},
    {20, 548, 0xDDD89C, "button frame"},
    {360, 376, 0x16283A, "the focused edit box (its second state)"},
    {555, 339, 0x2E4A62, "a row of the list box"},
    {900, 100, 0x000000, "outside the window"},
};

TEST_F(DemoEndToEnd, TheDemoShowsItsStartPageAfterLoading)
{
    std::string command = kBuild + "/make-demo '" + m_dir + "' >/dev/null";
    ASSERT_EQ(0, system(command.c_str()));
    ASSERT_TRUE(Start());
    std::string shot = WaitFor(kDemoHome, 20000);
    ExpectPoints(shot, kDemoHome);
    // The start-up popup is on it.
    if (!shot.empty())
    {
        EXPECT_EQ(0xDDD89Cu, Pixel(shot, 560, 300)) << "the clock popup's frame";
    }
}

TEST_F(DemoEndToEnd, ALongFileShowsTheLoadingPageFirst)
{
    // Many records: loading takes a few seconds, one record per tick.
    constexpr int kPages = 600;
    std::vector<std::string> names;
    std::vector<PageRecordWriter::PageRecord> pages;
    for (int i = 0; i < kPages; i++)
        names.push_back("Page" + std::to_string(i));
    for (const auto& name : names)
        pages.push_back(loadertest::Page(name.c_str(), 0x1B2A3AFF));
    CInterfaceFileWriter w;
    CInterfaceFileWriter::Header header;
    header.designWidth = 800;
    header.designHeight = 600;
    w.PutHeader(header);
    w.PutDeviceTable({});
    auto resources = loadertest::Interface(w.Version(), kPages, "Page0", {}, pages, {});
    w.PutBytes(resources.data(), resources.size());
    ASSERT_TRUE(w.Save(m_dir + "/Main.qvr"));

    ASSERT_TRUE(Start());
    std::string loading = WaitFor(kLoadingPage, 20000);
    ExpectPoints(loading, kLoadingPage);
    std::string home = WaitFor({{10, 100, 0x1B2A3A, "start page"}, {400, 252, 0x1B2A3A, "no splash"}}, 60000);
    EXPECT_FALSE(home.empty()) << "the start page replaces the Loading page";
}
} // namespace
