// The incremental loader: one record per call behind the Loading page, then the start page.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "common/Vector.h"
#include "interface/DialogItemState.h"
#include "interface/DialogPage.h"
#include "interface/DialogSlider.h"
#include "render/Fnt.h"
#include "render/SplashImage.h"
#include "render/Sprite.h"
#include "sound/SoundFile.h"
#include "support/LoaderTestSupport.h"
#include "support/TempFolder.h"
#include "tools/writer/ResourceRecordWriter.h"

using loadertest::CBackEndHarness;
using loadertest::FilledChild;
using loadertest::Page;
using loadertest::Popup;
using loadertest::ShownPopups;

namespace
{
constexpr uint32_t kVersion = CInterfaceFileWriter::kCurrentVersion;

CDialogSlider* ProgressBar(CAbstractDialogSystem* system)
{
    CDialogPage* loading = system->GetPageObject(system->FindPageByName("Loading"));
    for (int32_t i = 0; loading && i < loading->GetChildCount(); i++)
    {
        if (loading->GetChild(i)->IsBoundTo(kLoaderChannelAddress))
            return static_cast<CDialogSlider*>(loading->GetChild(i));
    }
    return nullptr;
}

std::u16string BarText(CAbstractDialogSystem* system)
{
    CDialogSlider* bar = ProgressBar(system);
    const char16_t* text = bar ? bar->GetStateAt(0)->m_text : nullptr;
    return text ? std::u16string(text) : std::u16string();
}

std::vector<PageRecordWriter::PageRecord> NumberedPages(int count, std::vector<std::string>& names)
{
    names.clear();
    for (int i = 0; i < count; i++)
        names.push_back("P" + std::to_string(i));
    std::vector<PageRecordWriter::PageRecord> pages;
    for (const auto& name : names)
        pages.push_back(Page(name.c_str(), 0x000000FF));
    return pages;
}

class Loader : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_harness.Ready()); }
    CGDIDialogSystem* System() { return m_harness.System(); }
    CBackEndHarness m_harness;
};

TEST_F(Loader, AFileWithEmptySectionsShowsTheStartPageAtTheFirstCall)
{
    m_harness.Begin(
        loadertest::RecordBytes(kVersion, [](CInterfaceFileWriter& w) { w.PutEmptyResources("Home"); }));
    EXPECT_STREQ("Loading", m_harness.CurrentPageName());
    EXPECT_EQ(1, m_harness.LoadAll());
    // The start page names no page: the Loading page has left the history all the same.
    EXPECT_EQ(nullptr, System()->GetCurrentPage());
    EXPECT_EQ(-1, System()->GetHistoryIndex());
    EXPECT_STREQ("Home", System()->GetStartPageName());
}

TEST_F(Loader, EachCallReadsOneRecordAndTheCallAfterTheLastShowsTheInterface)
{
    m_harness.Begin(loadertest::RecordBytes(
        kVersion,
        [](CInterfaceFileWriter& w)
        {
            w.PutResourceStart(0, "Home", {"Menu", "", "Clock"});
            w.PutCount(1);
            ResourceRecordWriter::PutImage(
                w, 5, "logo", 240, 96,
                std::vector<uint8_t>(SplashImage::PngBytes(),
                                     SplashImage::PngBytes() + SplashImage::PngSize()));
            w.PutCount(0);
            w.PutCount(0);
            w.PutCount(0);
            w.PutCount(1);
            PageRecordWriter::PutPage(w, Page("Home", 0x000000FF));
            w.PutCount(2);
            PageRecordWriter::PutPopup(w, Popup("Clock", nullptr, 0, 0, 10, 10, 0x000000FF));
            PageRecordWriter::PutPopup(w, Popup("Menu", nullptr, 0, 0, 10, 10, 0x000000FF));
        }));
    // Three start-up names (the empty one adds nothing), an image, a page and two popups.
    EXPECT_EQ(7 + 1, m_harness.LoadAll());
    EXPECT_STREQ("Home", m_harness.CurrentPageName());
    EXPECT_EQ((std::vector<std::string>{"Menu", "Clock"}), ShownPopups(System(), "Home"));
    EXPECT_EQ(2, System()->GetStartupPopups()->GetCount());
    CSprite* logo = System()->FindImage(5);
    ASSERT_NE(nullptr, logo);
    EXPECT_STREQ("logo", logo->GetName());
    EXPECT_EQ(240, logo->GetWidth());
    EXPECT_EQ(0, m_harness.Stream()->Pending());
}

TEST_F(Loader, TheProgressBarCountsToTheRecordTotalAndStopsThere)
{
    std::vector<std::string> names;
    m_harness.Begin(loadertest::Interface(kVersion, 10, "P0", {}, NumberedPages(15, names), {}));
    CDialogSlider* bar = ProgressBar(System());
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(10, bar->GetHigh());
    std::vector<int> seen;
    while (System()->LoadNext())
        seen.push_back(static_cast<int>(bar->GetValue()));
    seen.push_back(static_cast<int>(bar->GetValue()));
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 10, 10, 10, 10}), seen);
    EXPECT_EQ(10, System()->GetProgress());
    EXPECT_STREQ("P0", m_harness.CurrentPageName());
}

TEST_F(Loader, TheStepTextFollowsTheSectionsBeingRead)
{
    m_harness.Begin(loadertest::Interface(kVersion, 4, "Home", {}, {Page("Home", 0x000000FF)},
                                          {Popup("Pop", nullptr, 0, 0, 10, 10, 0x000000FF)}));
    std::vector<std::u16string> texts;
    bool more = true;
    while (more)
    {
        more = System()->LoadNext();
        texts.push_back(BarText(System()));
    }
    EXPECT_EQ((std::vector<std::u16string>{u"Load pages", u"Load popups", u"Load popups"}), texts);
}

struct VersionCase
{
    uint32_t version;
    int expectedSounds; // loaded from the file (the click sound is not counted)
};

class LoaderVersions : public ::testing::TestWithParam<VersionCase>
{
};

TEST_P(LoaderVersions, TheSoundsSectionExistsOnlyAbove0x10500)
{
    CBackEndHarness harness(640, 480, GetParam().version);
    ASSERT_TRUE(harness.Ready());
    int32_t before = harness.System()->GetSounds()->GetCount();
    harness.Begin(loadertest::RecordBytes(
        GetParam().version,
        [](CInterfaceFileWriter& w)
        {
            w.PutResourceStart(0, "Home");
            w.PutCount(0);
            w.PutCount(0);
            w.PutCount(0);
            if (w.HasSoundsSection())
            {
                w.PutCount(2);
                ResourceRecordWriter::PutSound(w, 42, ResourceRecordWriter::ToneWave(22050, 50, 440.0));
                // Not a sound: dropped, and loading goes on.
                ResourceRecordWriter::PutSound(w, 43, std::vector<uint8_t>(64, 0x55));
            }
            w.PutCount(1);
            PageRecordWriter::PutPage(w, Page("Home", 0x000000FF));
            w.PutCount(0);
        }));
    harness.LoadAll();
    EXPECT_STREQ("Home", harness.CurrentPageName());
    CVector* sounds = harness.System()->GetSounds();
    ASSERT_EQ(before + GetParam().expectedSounds, sounds->GetCount());
    if (GetParam().expectedSounds)
    {
        EXPECT_EQ(42u, sounds->Get<CSoundFile>(before)->GetId());
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, LoaderVersions,
                         ::testing::Values(VersionCase{0x10500, 0}, VersionCase{0x10501, 1}));

TEST_F(Loader, AGroupNameSharedByPopupsIsStoredOnce)
{
    m_harness.Begin(
        loadertest::Interface(kVersion, 0, "Home", {}, {Page("Home", 0x000000FF)},
                              {Popup("A", "Rooms", 0, 0, 10, 10, 0), Popup("B", "Rooms", 0, 0, 10, 10, 0),
                               Popup("C", nullptr, 0, 0, 10, 10, 0), Popup("D", "Lights", 0, 0, 10, 10, 0),
                               Popup("E", "Rooms", 0, 0, 10, 10, 0)}));
    m_harness.LoadAll();
    CVector* groups = System()->GetPopupGroups();
    ASSERT_EQ(2, groups->GetCount());
    EXPECT_STREQ("Rooms", groups->Get<const char>(0));
    EXPECT_STREQ("Lights", groups->Get<const char>(1));
    std::vector<int32_t> numbers;
    for (const char* name : {"A", "B", "C", "D", "E"})
        numbers.push_back(System()->GetPopupObject(System()->FindPopupByName(name))->GetGroup());
    EXPECT_EQ((std::vector<int32_t>{1, 1, 0, 2, 1}), numbers);
}

TEST_F(Loader, TheLoadingPagePlacesTheSplashAndTheBarInTheDesignArea)
{
    m_harness.Begin(loadertest::Interface(kVersion, 10, "Home", {}, {}, {}));
    CDialogPage* loading = System()->GetPageObject(1);
    ASSERT_NE(nullptr, loading);
    ASSERT_EQ(2, loading->GetChildCount());
    CDialogItem* splash = loading->GetChild(0);
    // The picture is a plain button: one black state showing the splash image centred.
    EXPECT_EQ(ItemKindButton, splash->GetKind());
    ASSERT_EQ(1, splash->GetStateCount());
    EXPECT_EQ(0x000000FFu, splash->GetStateAt(0)->m_fillColor);
    EXPECT_EQ(255, splash->GetStateAt(0)->m_opacity);
    EXPECT_EQ(System()->FindImage(CAbstractDialogSystem::kSplashImageId), splash->GetStateAt(0)->m_bitmap);
    EXPECT_EQ(200, splash->m_loadedRect.x);
    EXPECT_EQ((480 - 96 - 40) / 2, splash->m_loadedRect.y);
    CDialogItem* bar = loading->GetChild(1);
    EXPECT_EQ(200, bar->m_loadedRect.x);
    EXPECT_EQ((480 - 96 - 40) / 2 + 96 + 30, bar->m_loadedRect.y);
    EXPECT_EQ(240, bar->m_loadedRect.width);
    EXPECT_EQ(kLoadingBorder, bar->GetStateAt(0)->m_border);

    // What reaches the surface: the black page, the splash picture and the bar's track.
    m_harness.Flush();
    EXPECT_EQ(0x000000u, m_harness.Pixel(5, 5));
    EXPECT_EQ(0x1E9DC0u, m_harness.Pixel(200 + 2, 172 + 40)) << "the splash picture's frame";
    EXPECT_EQ(0x1E9DC0u, m_harness.Pixel(200 + 120, 298 + 15)) << "the empty track";

    // Half way: the fill covers the left half of the bar.
    static_cast<CDialogSlider*>(bar)->SetValue(5.0f);
    m_harness.Flush();
    EXPECT_EQ(0x5C5D6Du, m_harness.Pixel(200 + 60, 298 + 15));
    EXPECT_EQ(0x1E9DC0u, m_harness.Pixel(200 + 180, 298 + 15));
    // Values beyond the total are held at the total.
    static_cast<CDialogSlider*>(bar)->SetValue(1e30f);
    EXPECT_EQ(10.0f, bar->GetValue());
    static_cast<CDialogSlider*>(bar)->SetValue(-3.0f);
    EXPECT_EQ(0.0f, bar->GetValue());
}

TEST(LoaderWithoutSplash, TheBarMovesUpToWhereThePictureWouldBe)
{
    CBackEndHarness harness(640, 480);
    ASSERT_TRUE(harness.Ready());
    harness.System()->BuildLoadingPage();
    CDialogPage* loading = harness.System()->GetPageObject(1);
    ASSERT_EQ(1, loading->GetChildCount());
    EXPECT_EQ((480 - 40) / 2 + 30, loading->GetChild(0)->m_loadedRect.y);
}

// Damaged files: loading stops at the record that cannot be read or skipped and shows what came
// before it.
struct DamageCase
{
    const char* what;
    void (*write)(CInterfaceFileWriter& w);
    int expectedPages; // besides the Loading page
    int expectedPopups;
    const char* expectedCurrent;
};

void TwoPagesOnePopup(CInterfaceFileWriter& w, uint8_t secondChildType, uint8_t imageKind, uint8_t iconKind)
{
    w.PutResourceStart(0, "Home");
    std::vector<uint8_t> picture(SplashImage::PngBytes(), SplashImage::PngBytes() + SplashImage::PngSize());
    w.PutCount(1);
    ResourceRecordWriter::PutImage(w, 1, "img", 240, 96, picture, imageKind);
    w.PutCount(1);
    ResourceRecordWriter::PutImage(w, 2, "ico", 240, 96, picture, iconKind);
    w.PutCount(0);
    w.PutCount(0);
    w.PutCount(2);
    PageRecordWriter::PutPage(w, Page("Home", 0x000000FF, {FilledChild("a", 0, 0, 5, 5, 0xFFFFFFFF)}));
    auto odd = FilledChild("b", 0, 0, 5, 5, 0xFFFFFFFF);
    odd.type = secondChildType;
    PageRecordWriter::PutPage(w, Page("Other", 0x000000FF, {FilledChild("c", 0, 0, 5, 5, 0xFFFFFFFF), odd}));
    w.PutCount(1);
    PageRecordWriter::PutPopup(w, Popup("Pop", nullptr, 0, 0, 10, 10, 0x000000FF));
}

class DamagedFiles : public ::testing::TestWithParam<DamageCase>
{
};

TEST_P(DamagedFiles, EndLoadingAtTheBadRecord)
{
    CBackEndHarness harness;
    ASSERT_TRUE(harness.Ready());
    harness.Begin(loadertest::RecordBytes(kVersion, GetParam().write));
    harness.LoadAll(1000);
    EXPECT_EQ(GetParam().expectedPages + 1, harness.System()->GetPages()->GetCount()) << GetParam().what;
    EXPECT_EQ(GetParam().expectedPopups, harness.System()->GetPopups()->GetCount()) << GetParam().what;
    EXPECT_STREQ(GetParam().expectedCurrent, harness.CurrentPageName()) << GetParam().what;
    // Loading is over for good.
    EXPECT_FALSE(harness.System()->LoadNext());
}

INSTANTIATE_TEST_SUITE_P(
    Records, DamagedFiles,
    ::testing::Values(
        DamageCase{"sound", [](CInterfaceFileWriter& w) { TwoPagesOnePopup(w, 0, 1, 1); }, 2, 1, "Home"},
        DamageCase{"child of an unknown type", [](CInterfaceFileWriter& w) { TwoPagesOnePopup(w, 9, 1, 1); },
                   2, 0, "Home"},
        DamageCase{"image of an unknown kind", [](CInterfaceFileWriter& w) { TwoPagesOnePopup(w, 0, 3, 1); },
                   0, 0, ""},
        DamageCase{"dynamic icon", [](CInterfaceFileWriter& w) { TwoPagesOnePopup(w, 0, 1, 2); }, 0, 0, ""}));

// Font records carry their file from version 0x10400 on; older ones name a file.
TEST(LoaderFonts, RecordsOfBothLayoutsAreReadWhole)
{
    auto font =
        ResourceRecordWriter::ReadFile("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf");
    ASSERT_FALSE(font.empty());
    for (uint32_t version : {0x10400u, 0x103FFu})
    {
        CBackEndHarness harness(640, 480, version);
        ASSERT_TRUE(harness.Ready());
        harness.Begin(loadertest::RecordBytes(version,
                                              [&](CInterfaceFileWriter& w)
                                              {
                                                  w.PutResourceStart(0, "Home");
                                                  w.PutCount(0);
                                                  w.PutCount(0);
                                                  w.PutCount(1);
                                                  if (version > 0x103FF)
                                                  {
                                                      ResourceRecordWriter::PutFont(w, 33, "Liberation Sans",
                                                                                    20, font);
                                                  }
                                                  else
                                                  {
                                                      w.PutU32(33);
                                                      w.PutBytes("unused\0no-such-font.ttf\0", 24);
                                                      w.PutU8(20);
                                                      w.PutU8(0);
                                                  }
                                                  w.PutCount(1);
                                                  PageRecordWriter::PutPage(w, Page("Home", 0x000000FF));
                                                  w.PutCount(0);
                                              }));
        harness.LoadAll();
        EXPECT_STREQ("Home", harness.CurrentPageName()) << std::hex << version;
        CFnt* loaded = harness.System()->FindFont(33);
        if (version > 0x103FF)
        {
            ASSERT_NE(nullptr, loaded);
            EXPECT_TRUE(loaded->HasFace());
            EXPECT_EQ(20, loaded->GetSize());
        }
        else
        {
            // A file that is not there gives a font without a face, which no lookup finds.
            EXPECT_EQ(nullptr, loaded);
        }
    }
}

TEST(LoaderFonts, WindowsFontFileNamesOfOlderFilesFindTheirFile)
{
    // Files of version 0x103FF and older name font files as Windows wrote them: '\' between
    // folders and any letter case. The font file lies in the working folder as Fonts/Sans.TTF.
    TempFolder folder;
    ASSERT_EQ(mkdir(folder.File("Fonts").c_str(), 0700), 0);
    ASSERT_TRUE(WriteFileBytes(folder.File("Fonts/Sans.TTF"),
                               ReadFileBytes("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf")));
    const std::string previous = std::filesystem::current_path();
    ASSERT_EQ(chdir(folder.Path().c_str()), 0);
    struct Case
    {
        const char* name;
        bool found;
    };
    for (const Case& c : {Case{"fonts\\sans.ttf", true}, Case{"FONTS/SANS.TTF", true}, Case{"Fonts\\Sans.TTF", true},
                          Case{".\\fonts\\Sans.ttf", true}, Case{"fonts\\sans.ttf2", false}})
    {
        SCOPED_TRACE(c.name);
        CBackEndHarness harness(640, 480, 0x103FF);
        ASSERT_TRUE(harness.Ready());
        std::string record = std::string("unused") + '\0' + c.name + '\0';
        harness.Begin(loadertest::RecordBytes(0x103FF,
                                              [&](CInterfaceFileWriter& w)
                                              {
                                                  w.PutResourceStart(0, "Home");
                                                  w.PutCount(0);
                                                  w.PutCount(0);
                                                  w.PutCount(1);
                                                  w.PutU32(33);
                                                  w.PutBytes(record.data(), record.size());
                                                  w.PutU8(20);
                                                  w.PutU8(0);
                                                  w.PutCount(1);
                                                  PageRecordWriter::PutPage(w, Page("Home", 0x000000FF));
                                                  w.PutCount(0);
                                              }));
        harness.LoadAll();
        EXPECT_STREQ("Home", harness.CurrentPageName());
        CFnt* loaded = harness.System()->FindFont(33);
        EXPECT_EQ(loaded != nullptr, c.found);
        if (loaded)
        {
            EXPECT_EQ(20, loaded->GetSize());
        }
    }
    ASSERT_EQ(chdir(previous.c_str()), 0);
}

TEST(LoaderTruncated, EveryCutOfAFileEndsLoadingCleanly)
{
    CBackEndHarness harness;
    ASSERT_TRUE(harness.Ready());
    auto whole = loadertest::RecordBytes(
        kVersion,
        [](CInterfaceFileWriter& w)
        {
            w.PutResourceStart(3, "Home", {"Pop"});
            w.PutCount(0);
            w.PutCount(0);
            w.PutCount(1);
            ResourceRecordWriter::PutFont(w, 7, "tiny", 12, std::vector<uint8_t>(40, 1));
            w.PutCount(1);
            ResourceRecordWriter::PutSound(w, 3, ResourceRecordWriter::ToneWave(8000, 5, 440.0));
            w.PutCount(1);
            PageRecordWriter::PutPage(w,
                                      Page("Home", 0x000000FF, {FilledChild("a", 0, 0, 5, 5, 0xFFFFFFFF)}));
            w.PutCount(1);
            auto pop =
                Popup("Pop", "G", 0, 0, 10, 10, 0x000000FF, {FilledChild("b", 1, 1, 5, 5, 0xFFFFFFFF)});
            pop.effects.push_back({1, 0, 300});
            PageRecordWriter::PutPopup(w, pop);
        });
    for (size_t cut = 0; cut < whole.size(); cut++)
    {
        std::vector<uint8_t> bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        harness.Begin(bytes);
        // Five records at most, and the call after the last one ends loading.
        EXPECT_LE(harness.LoadAll(1000), 6) << "cut at " << cut;
        EXPECT_FALSE(harness.System()->LoadNext()) << "cut at " << cut;
    }
    // The whole file still loads completely on the same back end.
    harness.Begin(whole);
    harness.LoadAll();
    EXPECT_STREQ("Home", harness.CurrentPageName());
    EXPECT_EQ(0, harness.Stream()->Pending());
    EXPECT_EQ((std::vector<std::string>{"Pop"}), ShownPopups(harness.System(), "Home"));
}
} // namespace
