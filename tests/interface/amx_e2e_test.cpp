// The program on a private X display with an AMX link to a scripted master on 127.0.0.1: once
// the master has welcomed the panel, its page and popup commands change what the screen shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Clock.h"
#include "support/AmxMaster.h"
#include "support/LoaderTestSupport.h"
#include "support/PanelEndToEndTest.h"

namespace
{
using namespace amx_test;

constexpr uint16_t kPanel = 10001;
constexpr uint32_t kAmxDeviceType = 0x01;

// Colours 0xRRGGBB of the start page, the second page and the popup.
constexpr uint32_t kStartColour = 0x1B2A3A;
constexpr uint32_t kSecondColour = 0x3A1F1F;
constexpr uint32_t kPopupColour = 0x1F7F33;

// The 800 x 600 design sits at the screen's top left; the popup covers 200,150 - 500,350.
constexpr int kPageX = 20, kPageY = 20;
constexpr int kPopupX = 350, kPopupY = 250;

class AmxEndToEnd : public PanelEndToEndTest
{
protected:
    AmxEndToEnd() : PanelEndToEndTest("/tmp/nerulan-amx-XXXXXX") {}

    bool WriteInterface()
    {
        CInterfaceFileWriter w;
        CInterfaceFileWriter::Header header;
        header.designWidth = 800;
        header.designHeight = 600;
        w.PutHeader(header);
        const std::string parameters = std::to_string(kPanel);
        CInterfaceFileWriter::Device amx{1, kAmxDeviceType, "127.0.0.1", master.Port(), parameters.c_str(),
                                         {}};
        w.PutDeviceTable({amx});
        const std::vector<PageRecordWriter::PageRecord> pages = {
            loadertest::Page("Start", kStartColour << 8 | 0xFF),
            loadertest::Page("Second", kSecondColour << 8 | 0xFF),
        };
        const std::vector<PageRecordWriter::PopupRecord> popups = {
            loadertest::Popup("Menu", "", 200, 150, 300, 200, kPopupColour << 8 | 0xFF),
        };
        auto resources = loadertest::Interface(w.Version(), 3, "Start", {}, pages, popups);
        w.PutBytes(resources.data(), resources.size());
        return w.Save(m_dir + "/Main.qvr");
    }

    uint32_t Pixel(const std::string& shot, int x, int y) const
    {
        return shot.empty() ? 0xFFFFFFFF : RgbAt(shot, (static_cast<size_t>(y) * kScreenWidth + x) * 3);
    }

    // Polls the screen until both places show their colours; pings the panel every second meanwhile,
    // so that a slow screen never lets the link fall silent. The last screenshot.
    std::string WaitFor(int x1, int y1, uint32_t rgb1, int x2, int y2, uint32_t rgb2,
                        uint32_t timeoutMs = 30000)
    {
        const uint32_t start = platform::ClockMs();
        uint32_t lastPing = start;
        std::string shot = Screenshot();
        while (!(Pixel(shot, x1, y1) == rgb1 && Pixel(shot, x2, y2) == rgb2) &&
               platform::ElapsedMs(platform::ClockMs(), start) < timeoutMs)
        {
            if (platform::ElapsedMs(platform::ClockMs(), lastPing) >= 1000)
            {
                master.Send(0x0501, {});
                lastPing = platform::ClockMs();
            }
            platform::SleepMs(50);
            shot = Screenshot();
        }
        return shot;
    }

    void Command(const std::string& text)
    {
        const size_t before = master.Messages().size();
        const ByteList payload = Join({Words({kPanel, 1, master.system}),
                                       {1},
                                       Words({static_cast<uint16_t>(text.size())}),
                                       Text(text)});
        master.Send(0x000C, payload);
        EXPECT_TRUE(master.WaitCommand(0x0001, 30000, before)) << text << ": no acknowledgement";
    }

    AmxMaster master;
};

TEST_F(AmxEndToEnd, TheMastersPageAndPopupCommandsChangeTheScreen)
{
    ASSERT_TRUE(master.Ok());
    ASSERT_TRUE(WriteInterface());
    ASSERT_TRUE(Start());

    // The panel introduces itself once it has loaded; the master welcomes it and it registers.
    ASSERT_TRUE(master.WaitMessages(1, 30000)) << "the panel never connected";
    EXPECT_EQ(master.Messages()[0].command, 0x0097);
    master.Send(0x0001, {}, 0x0208);
    ASSERT_TRUE(master.WaitCommand(0x008C, 30000)) << "no registration after the welcome";

    std::string shot = WaitFor(kPageX, kPageY, kStartColour, kPopupX, kPopupY, kStartColour);
    ASSERT_EQ(Pixel(shot, kPageX, kPageY), kStartColour) << "the start page";
    ASSERT_EQ(Pixel(shot, kPopupX, kPopupY), kStartColour) << "no popup yet";

    Command("PAGE-Second");
    shot = WaitFor(kPageX, kPageY, kSecondColour, kPopupX, kPopupY, kSecondColour);
    EXPECT_EQ(Pixel(shot, kPageX, kPageY), kSecondColour) << "the second page";
    EXPECT_EQ(Pixel(shot, kPopupX, kPopupY), kSecondColour) << "no popup on the second page yet";

    Command("@PPN-Menu");
    shot = WaitFor(kPageX, kPageY, kSecondColour, kPopupX, kPopupY, kPopupColour);
    EXPECT_EQ(Pixel(shot, kPopupX, kPopupY), kPopupColour) << "the popup";
    EXPECT_EQ(Pixel(shot, kPageX, kPageY), kSecondColour) << "the second page around it";
    // The link stayed up all along: one connection.
    EXPECT_EQ(master.Accepted(), 1);
}
} // namespace
