#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "common/Vector.h"
#include "devices/AbstractDevice.h"
#include "devices/HTTPDynamicImage.h"
#include "interface/AbstractEffect.h"
#include "interface/CommandSequences.h"
#include "interface/DialogItem.h"
#include "interface/DialogItemState.h"
#include "interface/FlipCommand.h"
#include "render/DynamicSprite.h"
#include "tests/interface/support/ItemTestSupport.h"
#include "tools/writer/ItemRecordWriter.h"

using itemtest::CRecordingDialogSystem;
namespace irw = ItemRecordWriter;

namespace
{
// A device list of plain (not custom) devices with these ids: the loader keeps an item's address
// only when the device table has its device.
class CPlainDeviceList
{
public:
    explicit CPlainDeviceList(std::initializer_list<uint16_t> ids)
    {
        for (uint16_t id : ids)
        {
            auto* device = new CAbstractDevice();
            device->SetId(id);
            m_list.Add(device);
        }
        g_pDeviceList = &m_list;
    }
    ~CPlainDeviceList()
    {
        g_pDeviceList = nullptr;
        for (int32_t i = 0; i < m_list.GetCount(); ++i)
            delete m_list.Get<CAbstractDevice>(i);
    }
    CPlainDeviceList(const CPlainDeviceList&) = delete;
    CPlainDeviceList& operator=(const CPlainDeviceList&) = delete;

private:
    CVector m_list{4};
};

// An item that answers a chosen kind and records the pointer calls it gets, with the flags it had
// at that moment.
class CProbeItem : public CDialogItem
{
public:
    CProbeItem(CDialogItem* parent, const ItemRect* rect, int32_t kind = ItemKindBase)
        : CDialogItem(0, parent, rect), m_kind(kind)
    {
    }
    int32_t GetKind() override { return m_kind; }
    bool OnMouse(int32_t kind, int32_t x, int32_t y) override
    {
        calls.push_back({kind, x, y, m_flags});
        return CDialogItem::OnMouse(kind, x, y);
    }
    struct Call
    {
        int32_t kind;
        int32_t x;
        int32_t y;
        uint32_t flagsAtCall;
    };
    std::vector<Call> calls;

private:
    int32_t m_kind;
};

void AddStates(CDialogItem& item, int count)
{
    for (int i = 0; i < count; i++)
        item.AddState(new CDialogItemState(&item));
}

std::vector<uint8_t> ItemBytes(uint32_t version, const irw::ItemRecord& record)
{
    return itemtest::RecordBytes(version, [&](CInterfaceFileWriter& w) { irw::PutItem(w, record); });
}
} // namespace

TEST(DialogItemIdentity, CounterSkipsZeroWhenItWraps)
{
    struct Case
    {
        uint32_t counterBefore;
        uint32_t expectedId;
    } cases[] = {
        {0, 0xFF000001},
        {41, 0xFF00002A},
        {0xFFFFFE, 0xFFFFFFFF},
        {0xFFFFFF, 0xFF000001}, // after 16,777,215 items the counter starts again at 1
    };
    for (const Case& c : cases)
    {
        SetItemIdCounter(c.counterBefore);
        CDialogItem item(0, nullptr);
        EXPECT_EQ(item.m_id, c.expectedId) << std::hex << c.counterBefore;
    }
}

TEST(DialogItemConstruction, StartsVisibleEnabledAndFlaggedWithStateZero)
{
    ItemRect rect{1, 2, 30, 40};
    CDialogItem item(ItemBehaviourMomentary, nullptr, &rect);
    EXPECT_EQ(item.m_flags, 0x4Eu);
    EXPECT_EQ(item.m_stateIndex, 0);
    EXPECT_EQ(item.m_behaviour, ItemBehaviourMomentary);
    EXPECT_EQ(item.m_currentRect.x, 1);
    EXPECT_EQ(item.m_visiblePart.width, 30);
    EXPECT_EQ(item.GetWidth(), 30);
    EXPECT_EQ(item.GetHeight(), 40);
}

TEST(DialogItemConstruction, TakesConsecutiveRenderHandlesFromTheBackEnd)
{
    CRecordingDialogSystem backEnd;
    CDialogItem first(0, nullptr);
    CDialogItem second(0, nullptr);
    EXPECT_EQ(backEnd.GetRootItem()->m_renderHandle, 1);
    EXPECT_GT(first.m_renderHandle, 1);
    EXPECT_EQ(second.m_renderHandle, first.m_renderHandle + 1);
}

TEST(DialogItemGeometry, AbsolutePositionAddsTheParents)
{
    ItemRect pageRect{0, 0, 800, 600};
    ItemRect popupRect{100, 50, 300, 200};
    ItemRect childRect{-10, 20, 40, 30};
    CDialogItem page(0, nullptr, &pageRect);
    CDialogItem popup(0, &page, &popupRect);
    CDialogItem child(0, &popup, &childRect);
    EXPECT_EQ(child.GetAbsX(), 90);
    EXPECT_EQ(child.GetAbsY(), 70);
    EXPECT_EQ(child.GetParent(), &popup);
}

TEST(DialogItemGeometry, OpacityMultipliesThroughTheParents)
{
    struct Case
    {
        uint8_t item;
        uint8_t popup;
        uint8_t root;
        int32_t expected;
    } cases[] = {
        {128, 128, 255, 64}, // 128 x 128 / 255 = 64.25, truncated
        {255, 255, 255, 255}, {255, 128, 255, 128},
        {0, 255, 255, 0},     {200, 200, 200, 122}, // 200 x (200 x 200 / 255 = 156) / 255 = 122.35
    };
    for (const Case& c : cases)
    {
        CDialogItem root(0, nullptr);
        CDialogItem popup(0, &root);
        CDialogItem item(0, &popup);
        root.m_currentOpacity = c.root;
        popup.m_currentOpacity = c.popup;
        item.m_currentOpacity = c.item;
        EXPECT_EQ(item.GetOpacity(), c.expected)
            << int(c.item) << " in " << int(c.popup) << " in " << int(c.root);
    }
}

TEST(DialogItemHitTest, StrictOnEveryEdge)
{
    // The item's visible part covers design x 15..115 and y 25..75 (parent at 5, 5).
    ItemRect parentRect{5, 5, 400, 400};
    ItemRect rect{10, 20, 100, 50};
    struct Case
    {
        int32_t x;
        int32_t y;
        bool hit;
    } cases[] = {
        {15, 50, false}, // left edge
        {16, 50, true},  // one pixel in
        {114, 50, true},
        {115, 50, false}, // x + width
        {60, 25, false},  // top edge
        {60, 26, true},
        {60, 74, true},
        {60, 75, false},
        {16, 26, true},
        {0, 0, false},
        {std::numeric_limits<int32_t>::max(), 50, false},
        {std::numeric_limits<int32_t>::min(), 50, false},
    };
    CDialogItem parent(0, nullptr, &parentRect);
    CDialogItem item(0, &parent, &rect);
    for (const Case& c : cases)
    {
        EXPECT_EQ(IsInHitRect(&item, c.x, c.y), c.hit) << c.x << "," << c.y;
        EXPECT_EQ(item.HitTest(c.x, c.y), c.hit ? &item : nullptr) << c.x << "," << c.y;
    }
}

TEST(DialogItemHitTest, UsesTheVisiblePartAndIgnoresFlags)
{
    ItemRect rect{0, 0, 100, 100};
    CDialogItem item(0, nullptr, &rect);
    item.m_visiblePart = ItemRect{50, 0, 50, 100}; // a slide has clipped the left half away
    EXPECT_FALSE(IsInHitRect(&item, 30, 50));
    EXPECT_TRUE(IsInHitRect(&item, 60, 50));
    item.SetVisible(false);
    item.SetEnabled(false);
    EXPECT_TRUE(IsInHitRect(&item, 60, 50)) << "hidden and disabled items still take the capture";
}

TEST(DialogItemHitTest, PlainButtonWithSecondBehaviourTwoIsNeverHit)
{
    ItemRect rect{0, 0, 100, 100};
    struct Case
    {
        int32_t kind;
        uint8_t secondBehaviour;
        bool hit;
    } cases[] = {
        {ItemKindButton, 2, false},
        {ItemKindButton, 1, true},
        {ItemKindSlider, 2, true},
        {ItemKindTriggerButton, 2, true},
    };
    for (const Case& c : cases)
    {
        CProbeItem item(nullptr, &rect, c.kind);
        item.m_secondBehaviour = c.secondBehaviour;
        EXPECT_EQ(item.HitTest(50, 50) != nullptr, c.hit) << c.kind << "/" << int(c.secondBehaviour);
    }
}

TEST(DialogItemState, SetStateClampsIntoTheStateList)
{
    struct Case
    {
        int states;
        int32_t to;
        int32_t expected;
    } cases[] = {
        {3, 7, 2}, {3, -5, 0}, {3, 1, 1}, {3, 2, 2}, {1, 4, 0}, {0, 0, -1}, {0, 5, -1},
    };
    for (const Case& c : cases)
    {
        CDialogItem item(0, nullptr);
        AddStates(item, c.states);
        item.SetState(0, c.to, 0);
        EXPECT_EQ(item.GetState(), c.expected) << c.states << " states, to " << c.to;
    }
}

TEST(DialogItemState, OnlyAChangedStateInvalidates)
{
    CRecordingDialogSystem backEnd;
    ItemRect rect{10, 10, 20, 20};
    CDialogItem item(0, nullptr, &rect);
    AddStates(item, 3);
    item.SetState(0, 0, 0);
    backEnd.invalidated.clear();
    item.m_flags &= ~static_cast<uint32_t>(ItemFlagNeedsRender);
    item.SetState(0, 0, 0);
    item.SetState(0, -3, 0); // clamps to the state it already shows
    EXPECT_TRUE(backEnd.invalidated.empty());
    EXPECT_FALSE(item.NeedsRender());
    item.SetState(0, 2, 0);
    EXPECT_EQ(backEnd.invalidated.size(), 1u);
    EXPECT_TRUE(item.NeedsRender());
}

TEST(DialogItemValue, EqualValueChangesNothingNaNAlwaysStores)
{
    CRecordingDialogSystem backEnd;
    ItemRect rect{3, 4, 5, 6};
    CDialogItem item(0, nullptr, &rect);
    backEnd.invalidated.clear();
    item.SetValue(0.0f);
    EXPECT_TRUE(backEnd.invalidated.empty());
    item.SetValue(2.5f);
    ASSERT_EQ(backEnd.invalidated.size(), 1u);
    EXPECT_EQ(item.GetValue(), 2.5f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    item.SetValue(nan);
    item.SetValue(nan);
    EXPECT_EQ(backEnd.invalidated.size(), 3u);
    EXPECT_TRUE(std::isnan(item.GetValue()));
}

TEST(DialogItemInvalidate, FlagsTheCurrentRectangleInDesignCoordinates)
{
    CRecordingDialogSystem backEnd;
    ItemRect parentRect{100, 200, 500, 500};
    ItemRect rect{10, 20, 30, 40};
    CDialogItem parent(0, nullptr, &parentRect);
    CDialogItem item(0, &parent, &rect);
    item.m_currentRect.width = 25; // an effect has shrunk it; the loaded size stays 30
    item.m_flags = 0;
    backEnd.invalidated.clear();
    item.Invalidate();
    ASSERT_EQ(backEnd.invalidated.size(), 1u);
    const itemtest::InvalidatedRect& r = backEnd.invalidated[0];
    EXPECT_EQ(r.x, 110);
    EXPECT_EQ(r.y, 220);
    EXPECT_EQ(r.width, 25);
    EXPECT_EQ(r.height, 40);
    EXPECT_EQ(item.m_flags, static_cast<uint32_t>(ItemFlagNeedsRender));
}

TEST(DialogItemPointer, BaseAcceptsThePointerOnlyWhenVisibleAndEnabled)
{
    struct Case
    {
        bool visible;
        bool enabled;
        bool accepted;
    } cases[] = {{true, true, true}, {false, true, false}, {true, false, false}, {false, false, false}};
    for (const Case& c : cases)
    {
        CDialogItem item(0, nullptr);
        item.SetVisible(c.visible);
        item.SetEnabled(c.enabled);
        EXPECT_EQ(item.OnMouse(ItemMousePress, 1, 1), c.accepted) << c.visible << c.enabled;
    }
}

TEST(DialogItemPointer, PressAndReleaseSetAndClearThePressedFlag)
{
    CDialogItem item(0, nullptr);
    item.Press();
    EXPECT_TRUE(item.IsPressed());
    item.Release();
    EXPECT_FALSE(item.IsPressed());
    EXPECT_EQ(item.m_flags, 0x4Eu);
}

TEST(DialogItemPointer, DisablingOrHidingTheHeldItemForcesARelease)
{
    for (bool hide : {false, true})
    {
        CRecordingDialogSystem backEnd;
        ItemRect parentRect{100, 100, 300, 300};
        ItemRect rect{10, 20, 50, 50};
        CDialogItem parent(0, nullptr, &parentRect);
        CProbeItem item(&parent, &rect);
        backEnd.Hold(&item, 400, 90); // the pointer was last seen outside the item
        if (hide)
            item.SetVisible(false);
        else
            item.SetEnabled(false);
        ASSERT_EQ(item.calls.size(), 1u) << "hide " << hide;
        EXPECT_EQ(item.calls[0].kind, ItemMouseForcedRelease);
        EXPECT_EQ(item.calls[0].x, 400 - 110); // unclamped, relative to the item
        EXPECT_EQ(item.calls[0].y, 90 - 120);
        // The release reaches the item before the flag changes.
        EXPECT_EQ(item.calls[0].flagsAtCall & (ItemFlagVisible | ItemFlagEnabled),
                  static_cast<uint32_t>(ItemFlagVisible | ItemFlagEnabled));
        EXPECT_EQ(backEnd.GetHeldItem(), nullptr);
        EXPECT_EQ(item.IsVisible(), !hide);
        EXPECT_EQ(item.IsEnabled(), hide);
        EXPECT_TRUE(item.NeedsRender());
    }
}

TEST(DialogItemPointer, AnItemThatIsNotHeldGetsNoForcedRelease)
{
    CRecordingDialogSystem backEnd;
    CProbeItem held(nullptr, nullptr);
    CProbeItem other(nullptr, nullptr);
    backEnd.Hold(&held, 1, 1);
    other.SetEnabled(false);
    other.SetVisible(false);
    EXPECT_TRUE(other.calls.empty());
    EXPECT_EQ(backEnd.GetHeldItem(), &held);
}

TEST(DialogItemUpdate, NoticesANewPictureOfTheDynamicImageTheValueSelects)
{
    CRecordingDialogSystem backEnd;
    ItemRect rect{0, 0, 10, 10};
    CDialogItem item(0, nullptr, &rect);
    AddStates(item, 2);
    CDynamicSprite image(std::make_unique<CHTTPDynamicImage>());
    item.GetStateAt(1)->m_bitmap = &image;
    item.m_value = 1.7f; // state 1 by the value, while the state index stays 0

    item.m_flags = ItemFlagsInitial & ~static_cast<uint32_t>(ItemFlagNeedsRender);
    item.Update(5);
    EXPECT_TRUE(image.IsInUse());
    EXPECT_FALSE(item.NeedsRender()) << "the version has not changed";

    image.SetRefreshPeriod(1000); // raises the version
    item.Update(5);
    EXPECT_TRUE(item.NeedsRender());
    EXPECT_EQ(item.GetStateAt(1)->m_seenImageVersion, image.GetVersion());

    image.SetInUse(false);
    item.m_value = 0.0f;
    item.Update(5);
    EXPECT_FALSE(image.IsInUse()) << "state 0 shows no dynamic image";
}

TEST(DialogItemUpdate, ValuesOutsideTheStatesAreIgnored)
{
    CDialogItem item(0, nullptr);
    AddStates(item, 1);
    CDynamicSprite image(std::make_unique<CHTTPDynamicImage>());
    item.GetStateAt(0)->m_bitmap = &image;
    for (float value : {-0.5f, -1.0f, 1.0f, std::numeric_limits<float>::quiet_NaN(), 3e9f})
    {
        item.m_value = value;
        item.Update(5);
    }
    EXPECT_TRUE(image.IsInUse()) << "-0.5 truncates to state 0";
    image.SetInUse(false);
    item.m_value = -1.0f;
    item.Update(5);
    EXPECT_FALSE(image.IsInUse());
}

TEST(DialogItemLoad, ReadsTheCommonRecord)
{
    irw::ItemRecord record;
    record.x = -5;
    record.y = 7;
    record.width = 120;
    record.height = 0xFFFF;
    record.loop = 9;
    record.firstDuration = 10;
    record.secondDuration = 3;
    record.addresses = {0x00010005, 0x00020001, 0x00030001}; // device 3 is not in the table
    CPlainDeviceList devices({1, 2});
    record.flipCommands = {{FlipShowPage, "Main"}, {FlipGoBack, nullptr}, {FlipHidePopup, ""}};
    record.states.resize(4);
    std::vector<uint8_t> bytes = ItemBytes(0x10501, record);
    auto stream = itemtest::StreamOver(bytes);
    g_fileVersion = 0x10501;

    CDialogItem item(0, nullptr);
    ASSERT_TRUE(item.Load(stream.get()));
    EXPECT_EQ(stream->Pending(), 0);
    EXPECT_EQ(item.m_loadedRect.x, -5);
    EXPECT_EQ(item.m_loadedRect.y, 7);
    EXPECT_EQ(item.GetWidth(), 120);
    EXPECT_EQ(item.GetHeight(), 0xFFFF);
    EXPECT_EQ(item.m_currentRect.x, -5) << "the load ends by laying the item out";
    EXPECT_EQ(item.m_loop, 1);
    EXPECT_EQ(item.m_firstDurationMs, 250u); // 10 x 100 / 4 states
    EXPECT_EQ(item.m_secondDurationMs, 75u);
    ASSERT_EQ(item.GetAddressCount(), 2);
    EXPECT_EQ(item.GetAddress(0), 0x00010005u);
    EXPECT_EQ(item.GetAddress(1), 0x00020001u);
    EXPECT_TRUE(item.IsBoundTo(0x00020001));
    EXPECT_FALSE(item.IsBoundTo(0x00020002));
    ASSERT_EQ(item.m_flipCommands->GetCount(), 3);
    CFlipCommand* show = item.m_flipCommands->Get<CFlipCommand>(0);
    EXPECT_EQ(show->GetType(), FlipShowPage);
    EXPECT_STREQ(show->GetText(), "Main");
    EXPECT_EQ(item.m_flipCommands->Get<CFlipCommand>(1)->GetText(), nullptr);
    EXPECT_STREQ(item.m_flipCommands->Get<CFlipCommand>(2)->GetText(), "");
    EXPECT_EQ(item.GetStateCount(), 4);
    EXPECT_EQ(item.GetState(), 0);
}

TEST(DialogItemLoad, DurationsPerStateAndVersionThresholds)
{
    struct Case
    {
        uint32_t version;
        int states;
        uint32_t expectedFirst;
        uint32_t expectedSecond;
        int32_t expectedStateIndex;
    } cases[] = {
        {0x10501, 4, 250, 0, 0},  // 10 x 100 / 4
        {0x10501, 0, 10, 0, -1},  // no states: the words stay as read
        {0x10501, 3, 333, 0, 0},  // unsigned integer division
        {0x10300, 1, 1000, 0, 0}, // the first version with the timing fields
        {0x102FF, 4, 0, 0, 0},    // before it: no timing fields at all
    };
    for (const Case& c : cases)
    {
        irw::ItemRecord record;
        record.width = 10;
        record.height = 10;
        record.firstDuration = 10;
        record.states.resize(c.states);
        std::vector<uint8_t> bytes = ItemBytes(c.version, record);
        auto stream = itemtest::StreamOver(bytes);
        g_fileVersion = c.version;
        CDialogItem item(0, nullptr);
        ASSERT_TRUE(item.Load(stream.get())) << std::hex << c.version;
        EXPECT_EQ(stream->Pending(), 0);
        EXPECT_EQ(item.m_firstDurationMs, c.expectedFirst) << std::hex << c.version << " " << c.states;
        EXPECT_EQ(item.m_secondDurationMs, c.expectedSecond);
        EXPECT_EQ(item.GetState(), c.expectedStateIndex);
    }
}

TEST(DialogItemLoad, KeepsAFullAddressList)
{
    CPlainDeviceList devices({1});
    irw::ItemRecord record;
    for (uint32_t i = 0; i < 255; i++)
        record.addresses.push_back(0x00010000 | i);
    std::vector<uint8_t> bytes = ItemBytes(0x10501, record);
    auto stream = itemtest::StreamOver(bytes);
    g_fileVersion = 0x10501;
    CDialogItem item(0, nullptr);
    ASSERT_TRUE(item.Load(stream.get()));
    ASSERT_EQ(item.GetAddressCount(), 255);
    EXPECT_EQ(item.GetAddress(254), 0x000100FEu);
    item.BindLoaderAddress(); // a full list stays as it is
    EXPECT_EQ(item.GetAddressCount(), 255);
}

// The writer cuts a list longer than its count byte allows, so the record stays readable.
TEST(DialogItemLoad, WriterCutsAnOverlongAddressList)
{
    CPlainDeviceList devices({1});
    irw::ItemRecord record;
    for (uint32_t i = 0; i < 300; i++)
        record.addresses.push_back(0x00010000 | i);
    record.flipCommands = {{FlipShowPage, "Main"}};
    record.states.resize(2);
    std::vector<uint8_t> bytes = ItemBytes(0x10501, record);
    auto stream = itemtest::StreamOver(bytes);
    g_fileVersion = 0x10501;
    CDialogItem item(0, nullptr);
    ASSERT_TRUE(item.Load(stream.get()));
    EXPECT_EQ(stream->Pending(), 0);
    ASSERT_EQ(item.GetAddressCount(), 255);
    EXPECT_EQ(item.GetAddress(254), 0x000100FEu);
    ASSERT_EQ(item.m_flipCommands->GetCount(), 1);
    EXPECT_STREQ(item.m_flipCommands->Get<CFlipCommand>(0)->GetText(), "Main");
    EXPECT_EQ(item.GetStateCount(), 2);
}

TEST(DialogItemLoad, WriterCutsOverlongFlipCommandAndStateLists)
{
    irw::ItemRecord record;
    record.flipCommands.resize(0x10001, irw::FlipRecord{FlipGoBack, nullptr});
    record.states.resize(0x10001);
    std::vector<uint8_t> bytes = ItemBytes(0x10501, record);
    auto stream = itemtest::StreamOver(bytes);
    g_fileVersion = 0x10501;
    CDialogItem item(0, nullptr);
    ASSERT_TRUE(item.Load(stream.get()));
    EXPECT_EQ(stream->Pending(), 0);
    EXPECT_EQ(item.m_flipCommands->GetCount(), 0xFFFF);
    EXPECT_EQ(item.GetStateCount(), 0xFFFF);
}

TEST(DialogItemLoad, BindLoaderAddressAppends)
{
    CDialogItem item(0, nullptr);
    item.BindLoaderAddress();
    item.BindLoaderAddress();
    ASSERT_EQ(item.GetAddressCount(), 2);
    EXPECT_EQ(item.GetAddress(1), 0xFFFFu);
}

// Every cut of a record ends its load with false and no read past the bytes (ASan watches the
// stream's buffer, which holds exactly the cut bytes).
TEST(DialogItemLoad, EveryTruncationFailsCleanly)
{
    irw::ItemRecord record;
    record.width = 40;
    record.height = 20;
    record.addresses = {1, 2, 3};
    record.flipCommands = {{FlipShowPopup, "Popup one"}, {FlipQuit, nullptr}};
    irw::StateRecord state;
    state.text = "Level $V|$F2";
    record.states = {state, state};
    for (uint32_t version : {0x10200u, 0x10400u, 0x10501u})
    {
        std::vector<uint8_t> bytes = ItemBytes(version, record);
        g_fileVersion = version;
        for (size_t cut = 0; cut < bytes.size(); cut++)
        {
            std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
            auto stream = itemtest::StreamOver(part);
            CDialogItem item(0, nullptr);
            EXPECT_FALSE(item.Load(stream.get())) << std::hex << version << std::dec << " cut at " << cut;
        }
        auto whole = itemtest::StreamOver(bytes);
        CDialogItem item(0, nullptr);
        EXPECT_TRUE(item.Load(whole.get()));
    }
}

TEST(DialogItemLoad, CountsBeyondTheDataEndTheLoad)
{
    g_fileVersion = 0x10501;
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        // rect, timing, then 255 addresses announced and one given
        {"addresses", {0, 0, 0, 0, 10, 0, 10, 0, 0, 0, 0, 0, 0, 255, 1, 0, 0, 0}},
        // no addresses, one flip command whose text claims 0xFFFF bytes
        {"flip text", {0, 0, 0, 0, 10, 0, 10, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0xFF, 0xFF, 'a', 0}},
        // no addresses, 0xFFFF flip commands, none given
        {"flip count", {0, 0, 0, 0, 10, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF}},
        // no addresses, no flips, 0xFFFF states, none given
        {"state count", {0, 0, 0, 0, 10, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF}},
    };
    for (const Case& c : cases)
    {
        auto stream = itemtest::StreamOver(c.bytes);
        CDialogItem item(0, nullptr);
        EXPECT_FALSE(item.Load(stream.get())) << c.what;
    }
}

TEST(DialogItemLayout, ResetLayoutRestoresTheLoadedGeometry)
{
    CRecordingDialogSystem backEnd;
    ItemRect rect{5, 6, 70, 80};
    CDialogItem item(0, nullptr, &rect);
    AddStates(item, 2);
    item.m_loadedOpacity = 99;
    item.m_currentRect = ItemRect{1, 1, 1, 1};
    item.m_visiblePart = ItemRect{3, 3, 3, 3};
    item.SetState(0, 1, 0);
    item.ResetLayout();
    EXPECT_EQ(item.m_currentRect.x, 5);
    EXPECT_EQ(item.m_currentRect.height, 80);
    EXPECT_EQ(item.m_visiblePart.x, 0);
    EXPECT_EQ(item.m_visiblePart.width, 70);
    EXPECT_EQ(item.m_currentOpacity, 99);
    EXPECT_EQ(item.GetState(), 0);

    ItemRect other{0, 0, 10, 20};
    item.SetRect(other);
    EXPECT_EQ(item.GetWidth(), 10);
    EXPECT_EQ(item.m_visiblePart.height, 20);
}

TEST(DialogItemSequences, EachSequenceKeepsItsFirst128Entries)
{
    CDialogItem item(0, nullptr);
    for (uint32_t i = 0; i < 255; i++)
    {
        item.AddCommandKey(0x00060000 | i, CommandKeyPress);
        item.AddCommandKey(0x00070000 | i, CommandKeyRelease);
        item.AddCommandKey(0x00080000 | i, CommandKeyHold);
    }
    item.AddCommandKey(0x00090001, CommandKeyDropped);
    item.AddCommandKey(0x00010001, CommandKeyPlain);
    EXPECT_EQ(item.m_hasSequences, 1);
    EXPECT_EQ(item.m_pressSequence.count, 128);
    EXPECT_EQ(item.m_releaseSequence.count, 128);
    EXPECT_EQ(item.m_holdSequence.count, 128);
    EXPECT_EQ(item.m_pressSequence.entries[127], 0x0006007Fu);
    EXPECT_EQ(item.m_releaseSequence.entries[0], 0x00070000u);
    EXPECT_EQ(item.m_holdSequence.entries[127], 0x0008007Fu);
    ASSERT_EQ(item.GetAddressCount(), 1) << "sequence entries and dropped keys stay out of the plain list";
    EXPECT_EQ(item.GetAddress(0), 0x00010001u);
}

TEST(DialogItemTimer, StepsEveryEffectInListOrder)
{
    struct CRecordingEffect : CAbstractEffect
    {
        CRecordingEffect(std::vector<std::pair<int, uint32_t>>* log, int tag) : log(log), tag(tag) {}
        void Step(CDialogItem* item, uint32_t elapsedMs) override
        {
            EXPECT_NE(item, nullptr);
            log->push_back({tag, elapsedMs});
        }
        std::vector<std::pair<int, uint32_t>>* log;
        int tag;
    };
    std::vector<std::pair<int, uint32_t>> log;
    CDialogItem item(0, nullptr);
    item.m_effects->Add(new CRecordingEffect(&log, 1));
    item.m_effects->Add(new CRecordingEffect(&log, 2));
    item.OnTimer(7);
    item.Press();
    item.OnTimer(5);
    std::vector<std::pair<int, uint32_t>> expected = {{1, 7}, {2, 7}, {1, 5}, {2, 5}};
    EXPECT_EQ(log, expected);
}
