// Device events of kinds 2 to 19 on a loaded interface: what they change in the items, pages and
// popups bound to the channel, what they leave alone (other channels, states and alignment codes
// beyond the item's, unknown image names), what reaches the screen, and the press that a hidden
// or disabled button ends.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "common/StringFunctions.h"
#include "interface/CommandSequences.h"
#include "interface/DialogItemState.h"
#include "render/PixelBuffer.h"
#include "render/Sprite.h"
#include "support/ButtonTestSupport.h"
#include "tools/writer/ResourceRecordWriter.h"

using buttontest::Button;
using buttontest::CCommandLog;
using buttontest::CRecordingDevice;
using buttontest::Page;

namespace
{
constexpr uint16_t kDevice = 3;
constexpr uint32_t Key(uint16_t channel)
{
    return uint32_t{kDevice} << 16 | channel;
}

// Channels of the test interface.
constexpr uint16_t kButtons = 5; // a button on each page and on the popup
constexpr uint16_t kMulti = 6;   // a multi-state button of 5 states
constexpr uint16_t kLone = 7;    // a button bound to nothing else
constexpr uint16_t kSliders = 8; // a button and the sliders added in code
constexpr uint16_t kOwners = 9;  // the page Main and the popup Keys themselves
constexpr uint16_t kHeld = 10;   // a momentary button
constexpr uint16_t kNobody = 77; // bound to nothing

// A 24-bit BMP of one colour (0xRRGGBB).
std::vector<uint8_t> SolidBmp(int32_t width, int32_t height, uint32_t rgb)
{
    const int32_t rowBytes = (width * 3 + 3) & ~3;
    const uint32_t size = 54 + static_cast<uint32_t>(rowBytes * height);
    std::vector<uint8_t> bmp;
    auto u16 = [&bmp](uint32_t v)
    {
        bmp.push_back(static_cast<uint8_t>(v));
        bmp.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto u32 = [&](uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    bmp.push_back('B');
    bmp.push_back('M');
    u32(size);
    u32(0);
    u32(54);
    u32(40);
    u32(static_cast<uint32_t>(width));
    u32(static_cast<uint32_t>(height));
    u16(1);
    u16(24);
    u32(0);
    u32(static_cast<uint32_t>(rowBytes * height));
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    for (int32_t y = 0; y < height; y++)
    {
        for (int32_t x = 0; x < width; x++)
        {
            bmp.push_back(static_cast<uint8_t>(rgb));
            bmp.push_back(static_cast<uint8_t>(rgb >> 8));
            bmp.push_back(static_cast<uint8_t>(rgb >> 16));
        }
        bmp.resize(bmp.size() + static_cast<size_t>(rowBytes - width * 3), 0);
    }
    return bmp;
}

struct ImageRecord
{
    uint32_t id;
    const char* name;
    int32_t width;
    int32_t height;
    uint32_t rgb;
};

// A slider as far as the event operations see one: a kind, bounds, and a level kept in them.
class CTestSlider : public CDialogItem
{
public:
    CTestSlider(CDialogItem* parent, int32_t low, int32_t high, float level)
        : CDialogItem(0, parent), m_low(low), m_high(high)
    {
        m_value = level;
    }
    int32_t GetKind() override { return ItemKindSlider; }
    int32_t GetLow() override { return m_low; }
    int32_t GetHigh() override { return m_high; }
    void SetValue(float value) override
    {
        CDialogItem::SetValue(
            std::fmin(std::fmax(value, static_cast<float>(m_low)), static_cast<float>(m_high)));
    }

private:
    int32_t m_low;
    int32_t m_high;
};

// The button harness (a 640 x 480 back end on SDL's dummy video driver) with an interface that
// has images and icons of its own, and one recording device with id 3 in the device list.
class CEventHarness : public buttontest::CButtonHarness
{
public:
    CEventHarness() { device = AddDevice(kDevice); }

    bool Load(const std::vector<ImageRecord>& images, const std::vector<ImageRecord>& icons,
              const std::vector<PageRecordWriter::PageRecord>& pages,
              const std::vector<PageRecordWriter::PopupRecord>& popups)
    {
        CInterfaceFileWriter writer;
        CInterfaceFileWriter::Header header;
        writer.PutHeader(header);
        size_t start = writer.Size();
        writer.PutResourceStart(0, pages[0].name, {});
        for (const auto* list : {&images, &icons})
        {
            writer.PutCount(static_cast<uint16_t>(list->size()));
            for (const auto& image : *list)
                ResourceRecordWriter::PutImage(
                    writer, image.id, image.name, static_cast<uint16_t>(image.width),
                    static_cast<uint16_t>(image.height), SolidBmp(image.width, image.height, image.rgb));
        }
        writer.PutCount(0);
        writer.PutCount(0);
        buttontest::PutPagesAndPopups(writer, pages, popups);
        return buttontest::LoadWritten(*System(), writer, start, LoadStream());
    }

    CDialogPopup* PageNamed(const char* name) const
    {
        return System()->GetPageObject(System()->FindPageByName(name));
    }
    CDialogPopup* PopupNamed(const char* name) const
    {
        return System()->GetPopupObject(System()->FindPopupByName(name));
    }

    // Posts the records and drains the device's ring, as the device's update does.
    void Post(const std::vector<CDeviceEvent>& events)
    {
        for (const auto& event : events)
            device->PostEvent(event);
        device->DispatchEvents();
    }

    // Draws what is dirty; the surface pixel as 0xRRGGBB.
    uint32_t PixelAfterFlush(int32_t x, int32_t y)
    {
        System()->Flush();
        const CPixelBuffer* surface = System()->GetSurface();
        const uint8_t* p =
            surface->pixels + static_cast<size_t>(y) * surface->stride + static_cast<size_t>(x) * 4;
        return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
    }

    // Owned by the harness, as every device it adds.
    CRecordingDevice* device = nullptr;
};

// ---- Building records --------------------------------------------------------------------------

CDeviceEvent Event(uint16_t channel, uint8_t kind, uint32_t value = 0, uint32_t argument = 0,
                   uint32_t second = 0)
{
    return CDeviceEvent::Make(channel, kind, value, argument, second);
}

CDeviceEvent WithWide(CDeviceEvent event, const char16_t* text)
{
    event.SetArgumentText(WStrDup(text));
    return event;
}

CDeviceEvent WithName(CDeviceEvent event, const char* name)
{
    event.SetArgumentText(StrDup(name));
    return event;
}

constexpr uint32_t kEvery = 0xFFFFFFFF; // state -1 as posted

std::string Utf8(const char16_t* text)
{
    std::string out;
    for (; text && *text; ++text)
        out += static_cast<char>(*text < 0x80 ? *text : '?');
    return text ? out : "(null)";
}

std::string Hex(uint32_t value)
{
    char text[16];
    snprintf(text, sizeof text, "%08X", value);
    return text;
}

std::string SpriteName(CSprite* sprite)
{
    return sprite ? (sprite->GetName() ? sprite->GetName() : "?") : "-";
}

// What one state of an item shows, for the aspect a case looks at.
using Probe = std::function<std::string(CDialogItemState*)>;

std::string PerState(CDialogItem* item, const Probe& probe)
{
    std::string text;
    for (int32_t i = 0; i < item->GetStateCount(); i++)
        text += (i ? "|" : "") + probe(item->GetStateAt(i));
    return text;
}

const Probe kText = [](CDialogItemState* s) { return s->m_text ? Utf8(s->m_text) : std::string("(none)"); };
const Probe kFill = [](CDialogItemState* s) { return Hex(s->m_fillColor); };
const Probe kTextColour = [](CDialogItemState* s) { return Hex(s->m_textColor); };
const Probe kBorderColour = [](CDialogItemState* s) { return Hex(s->m_borderColor); };
const Probe kOpacity = [](CDialogItemState* s) { return std::to_string(s->m_opacity); };
const Probe kBitmap = [](CDialogItemState* s) { return SpriteName(s->m_bitmap); };
const Probe kIcon = [](CDialogItemState* s) { return SpriteName(s->m_icon); };
const Probe kAlignments = [](CDialogItemState* s)
{
    return std::to_string(s->m_bitmapAlignment) + std::to_string(s->m_iconAlignment) +
           std::to_string(s->m_textAlignment);
};

struct KindCase
{
    const char* what;
    std::function<std::vector<CDeviceEvent>()> events;
    // Reads the item's look; empty: the item's state index, enabled and visible flags.
    Probe probe;
    const char* expected;
};

std::string Look(CDialogItem* item, const Probe& probe)
{
    if (probe)
        return PerState(item, probe);
    return "state " + std::to_string(item->GetState()) + (item->IsEnabled() ? " enabled" : " disabled") +
           (item->IsVisible() ? " visible" : " hidden");
}

// Icon id 0 names a real icon here (kind 15 sets it), so the records name an icon that does not
// exist instead of leaving the id at 0.
constexpr uint32_t kNoIcon = 999;

template <class Record> Record WithoutIcons(Record record)
{
    record.state.iconId = kNoIcon;
    for (auto& child : record.children)
        for (auto& state : child.item.states)
            state.iconId = kNoIcon;
    return record;
}

// The test interface: two pages and a popup, each with a two-state button on channel 5; the
// page Main and the popup Keys are bound to channel 9 themselves.
class EventOps : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_h.Ready());
        auto main = Page("Main", {Button(CDialogPopup::ChildButton, 0, {Key(kButtons)}),
                                  Button(CDialogPopup::ChildMultiStateButton, 0, {Key(kMulti)}, 5, 300, 100),
                                  Button(CDialogPopup::ChildButton, 0, {Key(kLone)}, 2, 100, 300),
                                  Button(CDialogPopup::ChildButton, 0, {Key(kSliders)}, 2, 300, 300),
                                  Button(CDialogPopup::ChildButton, 4, {Key(kHeld)}, 2, 450, 300)});
        main.addresses = {Key(kOwners)};
        main = WithoutIcons(main);
        PageRecordWriter::PopupRecord keys;
        keys.name = "Keys";
        keys.x = 400;
        keys.y = 0;
        keys.width = 200;
        keys.height = 80;
        keys.state.fillColor = 0x404040FF;
        keys.addresses = {Key(kOwners)};
        keys.children = {Button(CDialogPopup::ChildButton, 0, {Key(kButtons)}, 2, 10, 10)};
        keys = WithoutIcons(keys);
        ASSERT_TRUE(m_h.Load(
            {{1, "Logo2", 20, 10, 0xFF0000}, {2, "logo", 20, 10, 0x00FF00}},
            {{0, "zero", 10, 10, 0x0000FF}, {4, "four", 10, 10, 0xFFFF00}},
            {main, WithoutIcons(Page("Other", {Button(CDialogPopup::ChildButton, 0, {Key(kButtons)})}))},
            {keys}));
    }

    CDialogItem* MainChild(int32_t index) const { return m_h.PageNamed("Main")->GetChild(index); }
    // The three buttons on channel 5: on the current page, on a page not shown, on a popup.
    std::vector<CDialogItem*> BoundButtons() const
    {
        return {MainChild(0), m_h.PageNamed("Other")->GetChild(0), m_h.PopupNamed("Keys")->GetChild(0)};
    }

    CEventHarness m_h;
};

const KindCase kKindCases[] = {
    {"text on every state", [] { return std::vector{WithWide(Event(kButtons, 4, kEvery), u"Hall")}; }, kText,
     "Hall|Hall"},
    {"text on state 1", [] { return std::vector{WithWide(Event(kButtons, 4, 1), u"Hall")}; }, kText,
     "(none)|Hall"},
    {"text on a state the item lacks", [] { return std::vector{WithWide(Event(kButtons, 4, 2), u"Hall")}; },
     kText, "(none)|(none)"},
    {"text as a number", [] { return std::vector{Event(kButtons, 4, kEvery, 0x1234)}; }, kText,
     "(none)|(none)"},
    {"appended texts",
     []
     {
         return std::vector{WithWide(Event(kButtons, 4, kEvery), u"Hall"),
                            WithWide(Event(kButtons, 5, 0), u" on"),
                            WithWide(Event(kButtons, 5, kEvery), u"!")};
     },
     kText, "Hall on!|Hall!"},
    {"state", [] { return std::vector{Event(kButtons, 6, 0, 1)}; }, nullptr, "state 1 enabled visible"},
    // Not the last state, as a clamp would give.
    {"state beyond the item's", [] { return std::vector{Event(kButtons, 6, 0, 2)}; }, nullptr,
     "state 0 enabled visible"},
    {"state from beyond the item's", [] { return std::vector{Event(kButtons, 6, 9, 1)}; }, nullptr,
     "state 0 enabled visible"},
    {"state -1",
     [] {
         return std::vector{Event(kButtons, 6, 0, 1), Event(kButtons, 6, kEvery, kEvery)};
     },
     nullptr, "state 0 enabled visible"},
    {"fill colour of state 1", [] { return std::vector{Event(kButtons, 7, 1, 0xC08040FF)}; }, kFill,
     "102030FF|C08040FF"},
    {"fill colour of every state", [] { return std::vector{Event(kButtons, 7, kEvery, 0xC08040FF)}; }, kFill,
     "C08040FF|C08040FF"},
    {"fill colour of a state the item lacks", [] { return std::vector{Event(kButtons, 7, 5, 0xC08040FF)}; },
     kFill, "102030FF|102031FF"},
    {"text colour", [] { return std::vector{Event(kButtons, 8, 0, 0x11223344)}; }, kTextColour,
     "11223344|FFFFFFFF"},
    {"border colour", [] { return std::vector{Event(kButtons, 9, kEvery, 0x55667788)}; }, kBorderColour,
     "55667788|55667788"},
    {"opacity takes the low byte", [] { return std::vector{Event(kButtons, 10, 1, 0x1280)}; }, kOpacity,
     "255|128"},
    {"disabled", [] { return std::vector{Event(kButtons, 11, 0)}; }, nullptr, "state 0 disabled visible"},
    {"disabled and enabled again",
     [] {
         return std::vector{Event(kButtons, 11, 0), Event(kButtons, 11, 0x100)};
     },
     nullptr, "state 0 enabled visible"},
    {"hidden", [] { return std::vector{Event(kButtons, 12, 0)}; }, nullptr, "state 0 enabled hidden"},
    {"image by name is the first that begins with it",
     [] { return std::vector{WithName(Event(kButtons, 13, kEvery), "logo")}; }, kBitmap, "Logo2|Logo2"},
    {"image by a name in other case", [] { return std::vector{WithName(Event(kButtons, 13, 1), "LOGO2")}; },
     kBitmap, "-|Logo2"},
    {"image by a name that none begins with",
     [] { return std::vector{WithName(Event(kButtons, 13, kEvery), "logos")}; }, kBitmap, "-|-"},
    {"image by an empty name", [] { return std::vector{WithName(Event(kButtons, 13, kEvery), "")}; }, kBitmap,
     "-|-"},
    {"image by id", [] { return std::vector{Event(kButtons, 14, 0, 2)}; }, kBitmap, "logo|-"},
    {"image by an unknown id", [] { return std::vector{Event(kButtons, 14, kEvery, 99)}; }, kBitmap, "-|-"},
    {"icon 0 whatever the text", [] { return std::vector{WithName(Event(kButtons, 15, kEvery), "four")}; },
     kIcon, "zero|zero"},
    {"icon by id", [] { return std::vector{Event(kButtons, 16, 1, 4)}; }, kIcon, "-|four"},
    {"icon by an unknown id", [] { return std::vector{Event(kButtons, 16, kEvery, 77)}; }, kIcon, "-|-"},
    {"alignments",
     []
     {
         return std::vector{Event(kButtons, 17, 0, 1), Event(kButtons, 18, 1, 0x109),
                            Event(kButtons, 19, kEvery, 0)};
     },
     kAlignments, "150|590"},
    {"alignment codes beyond 9",
     []
     {
         return std::vector{Event(kButtons, 17, kEvery, 10), Event(kButtons, 18, kEvery, 255),
                            Event(kButtons, 19, 0, 12)};
     },
     kAlignments, "555|555"},
};

class EventKinds : public EventOps, public ::testing::WithParamInterface<KindCase>
{
};

TEST_P(EventKinds, ReachEveryBoundItemAndNoOther)
{
    const KindCase& c = GetParam();
    const std::string lone = Look(MainChild(2), c.probe);
    m_h.Post(c.events());
    for (CDialogItem* item : BoundButtons())
        EXPECT_EQ(Look(item, c.probe), c.expected) << item->m_parent->m_name;
    EXPECT_EQ(Look(MainChild(2), c.probe), lone) << "an item on another channel";
    EXPECT_EQ(m_h.log.Joined(), "");
}

INSTANTIATE_TEST_SUITE_P(Table, EventKinds, ::testing::ValuesIn(kKindCases),
                         [](const auto& info)
                         {
                             std::string name;
                             for (const char* p = info.param.what; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

// ---- Pages and popups bound themselves ----------------------------------------------------------

TEST_F(EventOps, BoundPagesAndPopupsTakeTheItemKindsButNotSliderValuesOrSteps)
{
    CDialogPopup* main = m_h.PageNamed("Main");
    CDialogPopup* keys = m_h.PopupNamed("Keys");
    m_h.Post({Event(kOwners, 7, kEvery, 0x336699FF), Event(kOwners, 10, 0, 200),
              WithWide(Event(kOwners, 4, 0), u"Title"), Event(kOwners, 19, 0, 7)});
    for (CDialogPopup* owner : {main, keys})
    {
        EXPECT_EQ(PerState(owner, kFill), "336699FF") << owner->m_name;
        EXPECT_EQ(PerState(owner, kOpacity), "200") << owner->m_name;
        EXPECT_EQ(PerState(owner, kText), "Title") << owner->m_name;
        EXPECT_EQ(PerState(owner, kAlignments), "557") << owner->m_name;
    }
    // Their children on other channels are left alone.
    EXPECT_EQ(PerState(MainChild(0), kFill), "102030FF|102031FF");

    // Kind 2 and 3 count only children: nothing is stored and nothing is sent.
    m_h.Post({CDeviceEvent::MakeFloat(kOwners, 2, 5.0f), CDeviceEvent::MakeFloat(kOwners, 3, 5.0f)});
    EXPECT_EQ(main->GetValue(), 0.0f);
    EXPECT_EQ(keys->GetValue(), 0.0f);
    EXPECT_EQ(m_h.log.Joined(), "");

    // A page has one state: state 0 is taken, a state beyond it changes nothing.
    m_h.Post({Event(kOwners, 6, 0, 3)});
    EXPECT_EQ(main->GetState(), 0);
    m_h.Post({Event(kOwners, 12, 0)});
    EXPECT_FALSE(keys->IsVisible());
    EXPECT_FALSE(main->IsVisible());
}

// ---- Pixels ------------------------------------------------------------------------------------

TEST_F(EventOps, ChangesReachTheScreen)
{
    // Button 0 of Main: (100, 100), 100 x 50; the page's background is 0x202020.
    EXPECT_EQ(m_h.PixelAfterFlush(150, 125), 0x102030u);

    m_h.Post({Event(kButtons, 6, 0, 1)});
    EXPECT_EQ(m_h.PixelAfterFlush(150, 125), 0x102031u);

    m_h.Post({Event(kButtons, 7, kEvery, 0xC08040FF)});
    EXPECT_EQ(m_h.PixelAfterFlush(150, 125), 0xC08040u);

    // The image named "logo..." first in the registry (red, 20 x 10), centred, then at the top left.
    m_h.Post({WithName(Event(kButtons, 13, kEvery), "logo")});
    EXPECT_EQ(m_h.PixelAfterFlush(150, 125), 0xFF0000u);
    EXPECT_EQ(m_h.PixelAfterFlush(105, 104), 0xC08040u);
    m_h.Post({Event(kButtons, 17, kEvery, 1)});
    EXPECT_EQ(m_h.PixelAfterFlush(105, 104), 0xFF0000u);
    EXPECT_EQ(m_h.PixelAfterFlush(150, 125), 0xC08040u);
    // An alignment code beyond 9 leaves the image where it is.
    m_h.Post({Event(kButtons, 17, kEvery, 12)});
    EXPECT_EQ(m_h.PixelAfterFlush(105, 104), 0xFF0000u);

    // The image by id (green) and then the whole item faded out.
    m_h.Post({Event(kButtons, 14, kEvery, 2)});
    EXPECT_EQ(m_h.PixelAfterFlush(105, 104), 0x00FF00u);
    m_h.Post({Event(kButtons, 10, kEvery, 0)});
    EXPECT_EQ(m_h.PixelAfterFlush(105, 104), 0x202020u);
    EXPECT_EQ(m_h.PixelAfterFlush(150, 125), 0x202020u);
    m_h.Post({Event(kButtons, 10, kEvery, 255), Event(kButtons, 12, 0)});
    EXPECT_EQ(m_h.PixelAfterFlush(150, 125), 0x202020u);
    m_h.Post({Event(kButtons, 12, 1)});
    EXPECT_EQ(m_h.PixelAfterFlush(150, 125), 0xC08040u);

    // The page itself, bound to channel 9.
    m_h.Post({Event(kOwners, 7, kEvery, 0x0080FFFF)});
    EXPECT_EQ(m_h.PixelAfterFlush(20, 20), 0x0080FFu);
}

// ---- States with their animation ----------------------------------------------------------------

TEST_F(EventOps, StateOfAMultiStateButtonAnimatesAndAPlainButtonJumps)
{
    CDialogItem* multi = MainChild(1);
    // From 0 to 4 in one second: 200 ms per state.
    m_h.Post({Event(kMulti, 6, 0, 4, 10), Event(kButtons, 6, 0, 1, 10)});
    EXPECT_EQ(multi->GetState(), 0);
    EXPECT_EQ(MainChild(0)->GetState(), 1);
    for (int t = 0; t < 42; t++)
        m_h.System()->Update(5);
    EXPECT_EQ(multi->GetState(), 1);
    for (int t = 0; t < 200; t++)
        m_h.System()->Update(5);
    EXPECT_EQ(multi->GetState(), 4);
    // A target beyond its five states changes nothing.
    m_h.Post({Event(kMulti, 6, 0, 5, 0)});
    EXPECT_EQ(multi->GetState(), 4);
    m_h.Post({Event(kMulti, 6, kEvery, 2, 0)});
    EXPECT_EQ(multi->GetState(), 2);
}

// ---- Slider values and steps -------------------------------------------------------------------

class SliderEvents : public EventOps
{
protected:
    // A slider on channel 8 beside the button of that channel.
    CTestSlider* AddSlider(int32_t low, int32_t high, float level)
    {
        CDialogPopup* main = m_h.PageNamed("Main");
        auto* slider = new CTestSlider(main, low, high, level);
        slider->AddCommandKey(Key(kSliders), CommandKeyPlain);
        main->AddChild(slider);
        return slider;
    }
};

TEST_F(SliderEvents, SliderValueReachesOnlySlidersThatAreNotDragged)
{
    CTestSlider* slider = AddSlider(0, 100, 0.0f);
    CTestSlider* dragged = AddSlider(0, 100, 10.0f);
    dragged->m_flags |= ItemFlagDragging;
    m_h.Post({CDeviceEvent::MakeFloat(kSliders, 2, 42.5f)});
    EXPECT_EQ(slider->GetValue(), 42.5f);
    EXPECT_EQ(dragged->GetValue(), 10.0f);
    EXPECT_EQ(MainChild(3)->GetValue(), 0.0f) << "the button of the same channel";
    // The value is read as float bits, not as an integer.
    m_h.Post({Event(kSliders, 2, 20)});
    EXPECT_LT(slider->GetValue(), 1e-30f);
}

struct StepCase
{
    const char* what;
    int32_t low;
    int32_t high;
    float level;
    float delta;
    const char* sent; // the device's log afterwards
    float shown;
};

class StepEvents : public SliderEvents, public ::testing::WithParamInterface<StepCase>
{
};

TEST_P(StepEvents, StepWithinTheSlidersOwnBoundsAndSendTheResult)
{
    const StepCase& c = GetParam();
    CTestSlider* slider = AddSlider(c.low, c.high, c.level);
    m_h.Post({CDeviceEvent::MakeFloat(kSliders, 3, c.delta)});
    EXPECT_EQ(m_h.log.Joined(), c.sent);
    EXPECT_EQ(slider->GetValue(), c.shown);
}

const StepCase kStepCases[] = {
    {"up to the high bound", 0, 100, 95.0f, 10.0f, "3 set 8 100", 100.0f},
    {"down to the low bound", 0, 100, 95.0f, -200.0f, "3 set 8 0", 0.0f},
    {"inside the bounds", 0, 100, 50.0f, 2.5f, "3 set 8 52.5", 52.5f},
    {"a slider from 10 stops at 10", 10, 100, 20.0f, -15.0f, "3 set 8 10", 10.0f},
    {"a slider below 0 reaches its low bound", -50, -10, -20.0f, -100.0f, "3 set 8 -50", -50.0f},
    // (This test slider keeps such a level at its high field, 10.)
    {"a slider with bounds given high first", 100, 10, 50.0f, 100.0f, "3 set 8 100", 10.0f},
    {"a step that is no number sends nothing", 0, 100, 50.0f, std::numeric_limits<float>::quiet_NaN(), "",
     50.0f},
};

INSTANTIATE_TEST_SUITE_P(Table, StepEvents, ::testing::ValuesIn(kStepCases),
                         [](const auto& info)
                         {
                             std::string name;
                             for (const char* p = info.param.what; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST_F(SliderEvents, StepOfButtonsAloneGivesZeroAndOfNothingSendsNothing)
{
    m_h.Post({CDeviceEvent::MakeFloat(kLone, 3, 5.0f), CDeviceEvent::MakeFloat(kNobody, 3, 5.0f)});
    EXPECT_EQ(m_h.log.Joined(), "3 set 7 0");
    EXPECT_EQ(MainChild(2)->GetValue(), 0.0f);
}

// ---- Held items --------------------------------------------------------------------------------

struct HeldCase
{
    const char* what;
    uint8_t kind;
};

class HeldEvents : public EventOps, public ::testing::WithParamInterface<HeldCase>
{
};

TEST_P(HeldEvents, HidingOrDisablingAHeldButtonSendsReleaseOnce)
{
    CDialogItem* held = MainChild(4); // momentary, at (450, 300)
    m_h.System()->DispatchPointer(ItemMousePress, 500, 325);
    ASSERT_EQ(m_h.System()->GetHeldItem(), held);
    EXPECT_TRUE(held->IsPressed());
    // Feedback that keeps the button enabled and visible does not end the press.
    m_h.Post({Event(kHeld, GetParam().kind, 1)});
    EXPECT_EQ(m_h.System()->GetHeldItem(), held);
    m_h.Post({Event(kHeld, GetParam().kind, 0), Event(kHeld, GetParam().kind, 0)});
    EXPECT_EQ(m_h.System()->GetHeldItem(), nullptr);
    EXPECT_FALSE(held->IsPressed());
    m_h.System()->DispatchPointer(ItemMouseRelease, 500, 325);
    EXPECT_EQ(m_h.log.Joined(), "3 press 10, 3 release 10");
}

INSTANTIATE_TEST_SUITE_P(Kinds, HeldEvents,
                         ::testing::Values(HeldCase{"disabled", 11}, HeldCase{"hidden", 12}),
                         [](const auto& info) { return std::string(info.param.what); });

// ---- Payloads ----------------------------------------------------------------------------------

// Texts and names for channels no item is bound to, and for names that match nothing, are freed
// by the drain all the same (the sanitizer build reports any that is not).
TEST_F(EventOps, PayloadsOfEventsThatChangeNothingAreFreed)
{
    m_h.Post({WithWide(Event(kNobody, 4, kEvery), u"lost"), WithWide(Event(kNobody, 5, 0), u"lost"),
              WithName(Event(kNobody, 13, kEvery), "logo"), WithName(Event(kButtons, 13, kEvery), "nothing"),
              WithName(Event(kNobody, 15, kEvery), "text"),
              WithWide(Event(kButtons, 4, 9), u"no such state")});
    EXPECT_EQ(PerState(MainChild(0), kText), "(none)|(none)");
    EXPECT_EQ(PerState(MainChild(0), kBitmap), "-|-");
}

TEST_F(EventOps, PayloadsLeftInTheRingOfADeletedDeviceAreFreed)
{
    auto* device = new CRecordingDevice(kDevice, m_h.log);
    device->SetDialogSystem(m_h.System());
    device->PostEvent(WithWide(Event(kButtons, 4, kEvery), u"late"));
    device->PostEvent(WithWide(Event(kNobody, 4, kEvery), u"lost"));
    delete device;
    EXPECT_EQ(PerState(MainChild(0), kText), "late|late");
}
} // namespace
