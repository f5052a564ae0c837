// Channels the panel serves itself on port 0 (clock and date texts, the link state, the keyboard
// and its modes), level presets and ramps, and the channels made at run time. No link is needed.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "common/NerulanValue.h"
#include "devices/amx/support/AmxBlobs.h"
#include "devices/amx/support/AmxTestDevice.h"
#include "support/AmxMaster.h"

namespace
{
using namespace amx_test;

class AmxLocal : public ::testing::Test
{
protected:
    void SetUp() override { device.SetDeviceTime(1000); }
    void Add(uint32_t id, uint8_t channelClass, const ByteList& blob)
    {
        device.AddChannel(id, channelClass, 1, 0, static_cast<uint32_t>(blob.size()), blob.data());
    }
    std::vector<Event> Tick()
    {
        device.events.clear();
        device.Update();
        return device.Take();
    }
    static std::vector<Event> OfKind(const std::vector<Event>& events, uint8_t kind)
    {
        std::vector<Event> out;
        for (const Event& e : events)
        {
            if (e.kind == kind)
                out.push_back(e);
        }
        return out;
    }
    void Press(uint16_t channel)
    {
        CNerulanValue none;
        device.Press(channel, &none);
    }

    AmxTestDevice device;
};

TEST_F(AmxLocal, ClockTextsAtAFixedLocalTime)
{
    struct Case
    {
        int hour, minute;
        uint32_t address;
        const char16_t* text;
    };
    const Case cases[] = {
        {13, 0, 142, u"01:00 PM"},       {13, 0, 141, u"01:00"},      {13, 0, 143, u"13:00"},
        {13, 0, 151, u"Thursday"},       {13, 0, 152, u"03/03"},      {13, 0, 153, u"03/03"},
        {13, 0, 154, u"03/03/2011"},     {13, 0, 155, u"03/03/2011"}, {13, 0, 156, u"March 03, 2011"},
        {13, 0, 157, u"03 March, 2011"}, {13, 0, 158, u"2011/03/03"}, {0, 5, 142, u"00:05 AM"},
        {0, 5, 141, u"00:05"},           {12, 30, 142, u"12:30 PM"},  {23, 59, 141, u"11:59"},
    };
    for (const Case& c : cases)
    {
        AmxTestDevice clock;
        clock.SetDeviceTime(1000);
        clock.SetLocalTime(2011, 3, 3, c.hour, c.minute, 4);
        const ByteList blob = NumberBlob(1, 0, c.address);
        clock.AddChannel(9, 0, 1, 0, static_cast<uint32_t>(blob.size()), blob.data());
        clock.Update();
        const std::vector<Event> texts = OfKind(clock.Take(), EventSetItemText);
        ASSERT_EQ(texts.size(), 1u) << c.address;
        EXPECT_EQ(texts[0].channel, 9u);
        EXPECT_EQ(texts[0].value, 0u); // the first state
        EXPECT_EQ(texts[0].text, c.text) << c.address;
    }
}

TEST_F(AmxLocal, AClockTextIsPostedAgainOnlyWhenTheMinuteChanges)
{
    Add(1, 0, NumberBlob(1, 0, 143));
    Add(2, 0, NumberBlob(1, 0, 145)); // no text for 144-150
    Add(3, 0, NumberBlob(1, 1, 143)); // not on port 0
    EXPECT_EQ(OfKind(Tick(), EventSetItemText).size(), 1u);
    EXPECT_EQ(OfKind(Tick(), EventSetItemText).size(), 0u);
    device.SetLocalTime(2011, 3, 3, 13, 0, 4, 30);
    EXPECT_EQ(OfKind(Tick(), EventSetItemText).size(), 0u);
    device.SetLocalTime(2011, 3, 3, 13, 1, 4);
    const std::vector<Event> texts = OfKind(Tick(), EventSetItemText);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, u"13:01");
}

TEST_F(AmxLocal, TheLinkStateIsPostedOnEveryTick)
{
    Add(1, 1, NumberBlob(2, 0, 1));
    for (int i = 0; i < 2; ++i)
    {
        const std::vector<Event> values = OfKind(Tick(), EventSetItemValue);
        ASSERT_EQ(values.size(), 1u);
        EXPECT_EQ(values[0].number, 0.0f);
    }
    device.SetState(CAbstractDevice::StateOnline);
    const std::vector<Event> values = OfKind(Tick(), EventSetItemValue);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].number, 1.0f);
}

class AmxKeyboard : public AmxLocal
{
protected:
    void SetUp() override
    {
        AmxLocal::SetUp();
        // Mode keys 220-229 get the ids 20-29; the mode level is id 31; keys 201-216 ids 1-16.
        for (uint32_t key = 220; key <= 229; ++key)
            Add(key - 200, 1, NumberBlob(2, 0, key));
        Add(31, 6, NumberBlob(3, 0, 31));
        for (uint32_t key = 201; key <= 216; ++key)
            Add(key - 200, 1, NumberBlob(2, 0, key));
    }
    // The mode keys shown on (by id) and the state the mode level was sent to, after one tick.
    std::string Shown(int32_t* levelState = nullptr)
    {
        const std::vector<Event> events = Tick();
        std::string on;
        for (const Event& e : events)
        {
            if (e.kind == EventSetItemValue && e.number == 1.0f)
                on += std::to_string(e.channel) + " ";
            if (e.kind == EventSetItemState && levelState)
            {
                EXPECT_EQ(e.channel, 31u);
                // From and to are both the mode's state: the item shows it whatever it showed.
                EXPECT_EQ(e.value, e.argument);
                *levelState = static_cast<int32_t>(e.argument);
            }
        }
        return on;
    }
};

TEST_F(AmxKeyboard, ModeFeedbackIsPostedOnTheFirstTickAndAfterEveryChange)
{
    int32_t state = -1;
    EXPECT_EQ(Shown(&state), "20 ");
    EXPECT_EQ(state, 0);
    EXPECT_EQ(Shown(), ""); // nothing new
    Press(22);
    EXPECT_EQ(device.GetKeyboardMode(), 2);
    EXPECT_EQ(Shown(&state), "22 ");
    EXPECT_EQ(state, 4);
    Press(28); // one-shot mode 3
    EXPECT_EQ(Shown(&state), "28 ");
    EXPECT_EQ(state, 6);
}

TEST_F(AmxKeyboard, OneShotModes)
{
    // 225 in mode 2, then a key: back to mode 2.
    Press(22);
    Press(25);
    EXPECT_EQ(device.GetKeyboardMode(), 0);
    EXPECT_TRUE(device.IsOneShotPending());
    Press(1);
    EXPECT_EQ(device.GetKeyboardMode(), 2);
    EXPECT_FALSE(device.IsOneShotPending());
    // A one-shot key twice, then a letter: mode 0, not the mode before the first press.
    Press(26);
    Press(26);
    Press(3);
    EXPECT_EQ(device.GetKeyboardMode(), 0);
    // A plain mode key ends a pending one-shot before it sets its own mode.
    Press(22);
    Press(27);
    Press(23);
    EXPECT_EQ(device.GetKeyboardMode(), 3);
    EXPECT_FALSE(device.IsOneShotPending());
}

TEST_F(AmxKeyboard, AModeKeyShownOnSwitchesBackToModeZero)
{
    device.sink.holding = true;
    device.sink.heldState = 0;
    Press(21);
    EXPECT_EQ(device.GetKeyboardMode(), 1);
    device.sink.heldState = 1;
    Press(21);
    EXPECT_EQ(device.GetKeyboardMode(), 0);
}

TEST_F(AmxKeyboard, KeyEvents)
{
    Shown();
    struct Case
    {
        uint16_t channel;
        uint8_t kind;
    };
    const Case cases[] = {{3, 54},  {4, 46},  {5, 47},  {6, 48},  {7, 49},  {8, 52},  {9, 53},
                          {10, 44}, {11, 55}, {12, 56}, {13, 57}, {14, 58}, {15, 50}, {16, 51}};
    for (const Case& c : cases)
    {
        Press(c.channel);
        const std::vector<Event> events = Tick();
        ASSERT_FALSE(events.empty()) << c.channel;
        EXPECT_EQ(events[0].kind, c.kind) << c.channel;
        EXPECT_EQ(events[0].channel, c.channel);
    }
    Press(2);
    std::vector<Event> events = Tick();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0].kind, EventEditBoxInsertText);
    EXPECT_EQ(events[0].text, u" ");

    // 201: the held item's text, then its state by id (mode x 2 + 1).
    device.sink.holding = true;
    device.sink.heldId = 0xFF000042;
    device.sink.heldText = u"q";
    device.sink.heldState = 0;
    Press(22);
    Tick();
    Press(1);
    events = Tick();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0].kind, EventEditBoxInsertText);
    EXPECT_EQ(events[0].text, u"q");
    EXPECT_EQ(events[1].kind, EventSetItemStateById);
    EXPECT_EQ(events[1].channel, 0xFF000042u);
    EXPECT_EQ(events[1].value, 5u);
    // Nothing held: no text, the state goes to id 0.
    device.sink.holding = false;
    Press(1);
    events = OfKind(Tick(), EventSetItemStateById);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].channel, 0u);
}

TEST_F(AmxLocal, PresetsAndRamps)
{
    Add(1, 6, NumberBlob(3, 2, 7));                                                      // level 7 on port 2
    Add(2, 6, Join({{6}, LE16(2), LE16(7), LE32(static_cast<uint32_t>(-40)), LE32(0)})); // preset -40
    Add(3, 6, Join({{7}, LE16(2), LE16(7), LE32(5), LE32(250)}));                        // ramp +5 / 250 ms
    Press(2);
    std::vector<Event> events = Tick();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventSetSliderValue);
    EXPECT_EQ(events[0].channel, 1u);
    EXPECT_EQ(events[0].number, -40.0f);
    Press(3);
    struct Step
    {
        uint32_t elapsed;
        bool steps;
    };
    const Step steps[] = {{10, true}, {100, false}, {150, false}, {1, true}, {251, true}};
    for (const Step& s : steps)
    {
        device.Hold(3, s.elapsed);
        events = Tick();
        EXPECT_EQ(events.size(), s.steps ? 1u : 0u) << s.elapsed;
        if (!events.empty())
        {
            EXPECT_EQ(events[0].kind, EventStepItemValue);
            EXPECT_EQ(events[0].number, 5.0f);
        }
    }
}

TEST_F(AmxLocal, RunTimeChannelsTakeIdsAbove8000AndStopAtTheCap)
{
    Add(1, 1, NumberBlob(2, 2, 8));
    EXPECT_EQ(device.FindOrCreateLocalChannel(8, 2), 1);
    const int32_t id = device.FindOrCreateLocalChannel(55, 2);
    EXPECT_EQ(id, 0x8001);
    EXPECT_EQ(device.FindOrCreateLocalChannel(55, 2), id);
    EXPECT_EQ(device.FindChannelId(55, 1, 2, 2), id);
    EXPECT_EQ(device.FindChannelId(55, 1, 2, 3), -1);
    EXPECT_EQ(device.FindOrCreateLocalChannel(55, 3), 0x8002);
    while (device.GetChannelCount() < 1 + CAMXDevice::kMaxLocalChannels)
        ASSERT_GE(device.FindOrCreateLocalChannel(static_cast<uint32_t>(1000 + device.GetChannelCount()), 9),
                  0);
    EXPECT_EQ(device.FindOrCreateLocalChannel(99999, 9), -1);
    // A run-time channel is pressed like a loaded one (no link: nothing to see but no harm).
    CNerulanValue none;
    EXPECT_FALSE(device.Press(static_cast<uint16_t>(id), &none));
}

TEST_F(AmxLocal, ARunTimeIdThatALoadedChannelHoldsIsNotGivenOut)
{
    Add(0x8001, 1, NumberBlob(2, 2, 8));
    EXPECT_EQ(device.FindOrCreateLocalChannel(55, 2), -1);
}

TEST_F(AmxLocal, ChannelsMadeOnAnotherThreadWhileTheTickReadsThem)
{
    Add(1, 0, NumberBlob(1, 0, 143));
    Add(2, 1, NumberBlob(2, 0, 1));
    std::atomic<bool> done{false};
    std::thread maker(
        [&]
        {
            for (uint32_t n = 0; n < 500; ++n)
                device.FindOrCreateLocalChannel(n, 4);
            done = true;
        });
    while (!done)
        device.Update();
    maker.join();
    EXPECT_EQ(device.GetChannelCount(), 502u);
}
} // namespace
