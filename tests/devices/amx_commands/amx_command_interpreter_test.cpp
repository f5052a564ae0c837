// Panel commands of the AMX master against a stand-in device: which event each command posts,
// with which channel and payloads, and that commands naming no channel post nothing and keep
// nothing.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/DynamicSpriteData.h"
#include "devices/amx_commands/support/RecordingCommandHost.h"
#include "devices/controllers/amx/AMXCommandInterpreter.h"

namespace
{
// Channel ids of the stand-in's text-address channels (class 0, kind 1).
constexpr uint32_t kButton5 = 3; // address 5, port 1
constexpr uint32_t kButton7 = 4; // address 7, port 1
constexpr uint32_t kListBox = 6; // address 10, port 1
constexpr uint32_t kLetterA = 9; // address 65 ("A"), port 1
constexpr uint32_t kButton5Port2 = 11;

class AmxCommandInterpreter : public ::testing::Test
{
protected:
    AmxCommandInterpreter()
    {
        m_host.AddChannel(kButton5, 5, 0, 1, 1);
        m_host.AddChannel(kButton7, 7, 0, 1, 1);
        m_host.AddChannel(kListBox, 10, 0, 1, 1);
        m_host.AddChannel(kLetterA, 65, 0, 1, 1);
        m_host.AddChannel(kButton5Port2, 5, 0, 1, 2);
        // Channels of other classes and kinds at the same address are not text addresses.
        m_host.AddChannel(20, 12, 1, 2, 1);
        m_host.AddChannel(21, 13, 0, 2, 1);
    }

    // Runs one command on a writable copy of the text, as the link hands it over.
    void Run(const std::string& command, uint16_t port = 1)
    {
        std::vector<char> text(command.begin(), command.end());
        text.push_back(0);
        m_interpreter.Execute(port, text.data());
    }

    const CDeviceEvent& Only()
    {
        EXPECT_EQ(m_host.events.size(), 1u);
        static const CDeviceEvent none;
        return m_host.events.empty() ? none : m_host.events.back();
    }

    CRecordingCommandHost m_host;
    CAMXCommandInterpreter m_interpreter{m_host};
};

int32_t Signed(uintptr_t field)
{
    return static_cast<int32_t>(static_cast<uint32_t>(field));
}

std::u16string Wide(const char16_t* text)
{
    return text ? std::u16string(text) : std::u16string(u"(null)");
}

std::string Narrow(const char* text)
{
    return text ? std::string(text) : std::string("(null)");
}

// Commands whose event carries numbers only.
TEST_F(AmxCommandInterpreter, NumberCommandsPostTheirKindAndValues)
{
    struct Case
    {
        const char* command;
        uint32_t channel;
        uint8_t kind;
        int32_t value;
        uint32_t argument;
        uint32_t second;
    };
    const std::vector<Case> cases = {
        {"^ANI-5,1,4,10", kButton5, EventSetItemState, 0, 3, 10},
        {"^ANI-5,0,0,0", kButton5, EventSetItemState, -1, 0xFFFFFFFF, 0},
        {"^BCF-5,0,#FF0000", kButton5, EventSetItemFillColor, -1, 0xFF0000FF, 0},
        {"^BCF-5,0,2", kButton5, EventSetItemFillColor, -1, 0xC00000FF, 0},
        {"^BCF-5,0,very dark red", kButton5, EventSetItemFillColor, -1, 0x5F0000FF, 0},
        {"^BCB-5,1,#FF000080", kButton5, EventSetItemBorderColor, 0, 0xFF000080, 0},
        {"^BCT-5,2,Grey12", kButton5, EventSetItemTextColor, 1, 0x333333FF, 0},
        {"^BCT-5,2,100", kButton5, EventSetItemTextColor, 1, 100, 0},
        {"^BCT-5,2", kButton5, EventSetItemTextColor, 1, 0, 0},
        {"^JSB-5,1,5", kButton5, EventSetItemBitmapAlignment, 0, 5, 0},
        {"^JSI-5,2,3", kButton5, EventSetItemIconAlignment, 1, 3, 0},
        {"^JST-5,0,9", kButton5, EventSetItemTextAlignment, -1, 9, 0},
        {"^ICO-7,1,12", kButton7, EventSetItemIconById, 0, 12, 0},
        {"^BOP-5,1,128", kButton5, EventSetItemOpacity, 0, 128, 0},
        {"^BOP-5", kButton5, EventSetItemOpacity, -1, 0, 0},
        {"^ENA-5,1", kButton5, EventSetItemEnabled, 1, 0, 0},
        {"^ENA-5,0", kButton5, EventSetItemEnabled, 0, 0, 0},
        {"^SHO-7,1", kButton7, EventSetItemVisible, 1, 0, 0},
        {"^sho-7,0", kButton7, EventSetItemVisible, 0, 0, 0},
        {"QVLB_CLEAR-10", kListBox, EventListBoxClear, 0, 0, 0},
        {"QVLB_ADD-10,100,5", kListBox, EventListBoxAddRows, 5, 100, 0},
        {"QVLB_RESISTENCE-10,7", kListBox, EventListBoxSetResistance, 7, 0, 0},
        {"QVLB_SCROLL_COLOR-10,Blue", kListBox, EventListBoxSetScrollColor, 0x0000BFFF, 0, 0},
        {"QVLB_SCROLL_BAR-10,1", kListBox, EventListBoxShowScrollBar, 1, 0, 0},
        {"QVLB_INDENT-10,20", kListBox, EventListBoxSetIndent, 20, 0, 0},
        {"QVLB_SELECT-10,3,1", kListBox, EventListBoxSelectRow, 3, 1, 0},
        {"QVLB_FLIP_CLEAR-10,3", kListBox, EventListBoxClearRowFlips, 3, 0, 0},
        {"@PPX", 0, EventHideAllPopups, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        m_host.Clear();
        Run(c.command);
        const CDeviceEvent& event = Only();
        EXPECT_EQ(event.channel, c.channel) << c.command;
        EXPECT_EQ(event.kind, c.kind) << c.command;
        EXPECT_EQ(Signed(event.value), c.value) << c.command;
        EXPECT_EQ(static_cast<uint32_t>(event.argument), c.argument) << c.command;
        EXPECT_EQ(static_cast<uint32_t>(event.second), c.second) << c.command;
        EXPECT_EQ(event.owned, CDeviceEvent::OwnsNothing) << c.command;
    }
}

// Commands that set an item's or a row's text: the event owns a new wide text.
TEST_F(AmxCommandInterpreter, TextCommandsPostAnOwnedWideText)
{
    struct Case
    {
        const char* command;
        uint16_t port;
        uint32_t channel;
        uint8_t kind;
        int32_t value;
        const char16_t* text;
    };
    const std::vector<Case> cases = {
        {"^TXT-5,0,Hello", 1, kButton5, EventSetItemText, -1, u"Hello"},
        {"^txt-5,1,Hello", 1, kButton5, EventSetItemText, 0, u"Hello"},
        {"^TXT-5,0,Hello", 2, kButton5Port2, EventSetItemText, -1, u"Hello"},
        {"^TXT-5,3,a|b", 1, kButton5, EventSetItemText, 2, u"a|b"},
        {"^TXT-5,0,", 1, kButton5, EventSetItemText, -1, u""},
        {"^BAT-5,2,W\xF6rld \x80", 1, kButton5, EventAppendItemText, 1, u"W\u00F6rld \u20AC"},
        {"^UNI-5,1,0041042F", 1, kButton5, EventSetItemText, 0, u"A\u042F"},
        {"^UNI-5,1,0041042f", 1, kButton5, EventSetItemText, 0, u"A\u0420"},
        {"^BAU-5,0,00480069", 1, kButton5, EventAppendItemText, -1, u"Hi"},
        {"!TAHello|World", 1, kLetterA, EventSetItemText, -1, u"Hello\nWorld"},
        {"TEXT7-A|B", 1, kButton7, EventSetItemText, -1, u"A\nB"},
        {"text7-", 1, kButton7, EventSetItemText, -1, u""},
        {"QVLB_TEXT-10,3,Row three", 1, kListBox, EventListBoxSetRowText, 3, u"Row three"},
        {"QVLB_UNICODE-10,4,00520077", 1, kListBox, EventListBoxSetRowText, 4, u"Rw"},
    };
    for (const Case& c : cases)
    {
        m_host.Clear();
        Run(c.command, c.port);
        const CDeviceEvent& event = Only();
        EXPECT_EQ(event.channel, c.channel) << c.command;
        EXPECT_EQ(event.kind, c.kind) << c.command;
        EXPECT_EQ(Signed(event.value), c.value) << c.command;
        EXPECT_EQ(Wide(event.ArgumentWide()), std::u16string(c.text)) << c.command;
        EXPECT_EQ(event.owned, CDeviceEvent::ArgumentWideText) << c.command;
    }
    // A hex text of nothing is no text at all.
    m_host.Clear();
    Run("^UNI-5,0,");
    EXPECT_EQ(Only().kind, EventSetItemText);
    EXPECT_EQ(Only().ArgumentWide(), nullptr);
}

// Commands carrying names: pages, popups, images and flips; the page commands post channel 0.
TEST_F(AmxCommandInterpreter, NameCommandsPostOwnedNarrowTexts)
{
    struct Case
    {
        const char* command;
        uint32_t channel;
        uint8_t kind;
        const char* value;    // narrow text in the value, or null for a number
        uint32_t number;      // the value when it is a number
        const char* argument; // narrow text in the argument
        const char* second;
    };
    const std::vector<Case> cases = {
        {"@PPN-Menu", 0, EventShowPopup, "Menu", 0, nullptr, nullptr},
        {"@PPN-Menu;Main", 0, EventShowPopup, "Menu", 0, "Main", nullptr},
        {"PPON-Menu;Main", 0, EventShowPopup, "Menu", 0, "Main", nullptr},
        {"@PPF-Menu;Main", 0, EventHidePopup, "Menu", 0, "Main", nullptr},
        {"PPOF-Menu", 0, EventHidePopup, "Menu", 0, nullptr, nullptr},
        {"@PPG-Menu", 0, EventTogglePopup, "Menu", 0, nullptr, nullptr},
        {"PPOG-Menu;Main", 0, EventTogglePopup, "Menu", 0, "Main", nullptr},
        {"@PPA-Main", 0, EventHideAllPopupsOnPage, "Main", 0, nullptr, nullptr},
        {"@PPA", 0, EventHideAllPopupsOnPage, nullptr, 0, nullptr, nullptr},
        {"@PPK-Menu", 0, EventHidePopupOnAllPages, "Menu", 0, nullptr, nullptr},
        {"@CPG-Group 1", 0, EventHidePopupGroup, "Group 1", 0, nullptr, nullptr},
        {"PAGE-Main", 0, EventShowPage, "Main", 0, nullptr, nullptr},
        {"page-Main", 0, EventShowPage, "Main", 0, nullptr, nullptr},
        {"^RFR-camera", 0, EventRefreshDynamicImage, "camera", 0, nullptr, nullptr},
        {"^RFR-camera,5", 0, EventRefreshDynamicImage, "camera", 0, nullptr, nullptr},
        {"^BMP-5,1,logo.png", kButton5, EventSetItemBitmapByName, nullptr, 0, "logo.png", nullptr},
        {"^BMP-5,0,", kButton5, EventSetItemBitmapByName, nullptr, 0xFFFFFFFF, nullptr, nullptr},
        {"QVLB_BITMAP-10,3,icon", kListBox, EventListBoxSetRowBitmap, nullptr, 3, "icon", nullptr},
        {"QVLB_FLIP_ADD-10,3,2,Popup1", kListBox, EventListBoxAddRowFlip, nullptr, 3, nullptr, "Popup1"},
    };
    for (const Case& c : cases)
    {
        m_host.Clear();
        Run(c.command);
        const CDeviceEvent& event = Only();
        EXPECT_EQ(event.channel, c.channel) << c.command;
        EXPECT_EQ(event.kind, c.kind) << c.command;
        EXPECT_EQ(Narrow(event.ValueNarrow()), Narrow(c.value)) << c.command;
        if (!c.value)
        {
            EXPECT_EQ(static_cast<uint32_t>(event.value), c.number) << c.command;
        }
        EXPECT_EQ(Narrow(event.ArgumentNarrow()), Narrow(c.argument)) << c.command;
        EXPECT_EQ(Narrow(event.SecondNarrow()), Narrow(c.second)) << c.command;
    }
    // The flip's type travels as a number beside its text.
    m_host.Clear();
    Run("QVLB_FLIP_ADD-10,3,2,Popup1");
    EXPECT_EQ(Only().argument, 2u);
}

TEST_F(AmxCommandInterpreter, DynamicImageCommandsPostTheirOptions)
{
    Run("^RAF-camera,%H127.0.0.1:8080%R5");
    ASSERT_EQ(m_host.events.size(), 1u);
    const CDeviceEvent& added = m_host.events[0];
    EXPECT_EQ(added.channel, 0u);
    EXPECT_EQ(added.kind, EventAddDynamicImage);
    EXPECT_EQ(Narrow(added.ValueNarrow()), "camera");
    ASSERT_NE(added.ArgumentData(), nullptr);
    EXPECT_EQ(added.ArgumentData()->mask, 0x2u | 0x4u | 0x80u);
    EXPECT_STREQ(added.ArgumentData()->host, "127.0.0.1");
    EXPECT_EQ(added.ArgumentData()->port, 8080);
    EXPECT_EQ(added.ArgumentData()->refreshPeriod, 5000u);

    Run("^rmf-camera,%Ffront.jpg");
    ASSERT_EQ(m_host.events.size(), 2u);
    const CDeviceEvent& changed = m_host.events[1];
    EXPECT_EQ(changed.kind, EventChangeDynamicImage);
    ASSERT_NE(changed.ArgumentData(), nullptr);
    EXPECT_EQ(changed.ArgumentData()->mask, 0x40u);
    EXPECT_STREQ(changed.ArgumentData()->file, "front.jpg");

    // No name, or no options behind the name: nothing to add or change.
    for (const char* command : {"^RAF-camera", "^RAF-camera,", "^RAF-,%R5", "^RMF-", "^RFR-", "^RFR-,x"})
        Run(command);
    EXPECT_EQ(m_host.events.size(), 2u);
}

TEST_F(AmxCommandInterpreter, ListRowChannelIsMadeOnceThenFound)
{
    Run("QVLB_CHANNEL-10,3,2,55");
    ASSERT_EQ(m_host.events.size(), 1u);
    EXPECT_EQ(m_host.created, 1);
    // Seven channels were there before it.
    const uint32_t id = 7 | 0x8000;
    EXPECT_EQ(m_host.FindChannelId(55, 1, 2, 2), static_cast<int32_t>(id));
    const CDeviceEvent first = m_host.events[0]; // a copy: more events follow
    EXPECT_EQ(first.channel, kListBox);
    EXPECT_EQ(first.kind, EventListBoxSetRowChannel);
    EXPECT_EQ(first.value, 3u);
    EXPECT_EQ(first.argument, uint32_t{CRecordingCommandHost::kDeviceId} << 16 | id);

    Run("QVLB_CHANNEL-10,4,2,55");
    ASSERT_EQ(m_host.events.size(), 2u);
    EXPECT_EQ(m_host.created, 1);
    EXPECT_EQ(m_host.events[1].value, 4u);
    EXPECT_EQ(m_host.events[1].argument, first.argument);

    // An existing class-1 kind-2 channel is used as it stands.
    Run("QVLB_CHANNEL-10,5,1,12");
    ASSERT_EQ(m_host.events.size(), 3u);
    EXPECT_EQ(m_host.created, 1);
    EXPECT_EQ(m_host.events[2].argument, uint32_t{CRecordingCommandHost::kDeviceId} << 16 | 20);
}

TEST_F(AmxCommandInterpreter, ListRowChannelBeyondTheCapPostsNothing)
{
    m_host.SetLocalCap(1);
    Run("QVLB_CHANNEL-10,1,2,55");
    Run("QVLB_CHANNEL-10,2,2,56");
    EXPECT_EQ(m_host.events.size(), 1u);
    EXPECT_EQ(m_host.created, 1);
    // Numbers that are no port or channel make nothing.
    Run("QVLB_CHANNEL-10,2,65538,57");
    Run("QVLB_CHANNEL-10,2,2,65593");
    EXPECT_EQ(m_host.events.size(), 1u);
    EXPECT_EQ(m_host.created, 1);
}

TEST_F(AmxCommandInterpreter, UnknownIgnoredAndUnaddressedCommandsPostNothing)
{
    const std::vector<std::string> commands = {
        "",
        "HELLO",
        "^RFRP-x",
        "ABEEP",
        "ADBEEP",
        "^BMF-5,1,2",
        "^BOR-5,1",
        "^GLH-5,100",
        "@SOU-beep.wav",
        "@AKB-",
        "AKEYR",
        "BTON",
        "!B1",
        "!F1",
        "FONT",
        "!I1",
        "ICON",
        "!C1",
        "^RSR-x,5",
        // Addresses that name no text-address channel; the texts read for them must not leak.
        "^TXT-99,0,Hello",
        "^UNI-99,0,0041",
        "^BMP-99,1,logo",
        "^BCF-99,0,Red",
        "^ANI-99,1,2,3",
        "^ENA-99,1",
        "^TXT-5,0,Hello " /* on port 3 below */,
        "QVLB_TEXT-99,1,row",
        "QVLB_FLIP_ADD-99,1,2,x",
        "QVLB_BITMAP-99,1,icon",
        "QVLB_CLEAR-12",
        "QVLB_CLEAR-13",
        "!TzHello",
        "!T",
        "TEXT99-x",
        "TEXT",
        // The low 16 bits of a number must not pass for another address (65541 = 0x10005).
        "^TXT-65541,0,Hello",
        // A byte above 0x7F folded to 7 bits would read as "^" (0xDE) or "T" (0xD4).
        "\xDETXT-5,0,Hello",
        "^\xD4XT-5,0,Hello",
    };
    for (const std::string& command : commands)
        Run(command, command == "^TXT-5,0,Hello " ? 3 : 1);
    EXPECT_TRUE(m_host.events.empty());
    // A list command for a missing list box makes no local channel either.
    Run("QVLB_CHANNEL-99,3,2,55");
    EXPECT_TRUE(m_host.events.empty());
    EXPECT_EQ(m_host.created, 0);
    // A null text is nothing to do.
    m_interpreter.Execute(1, nullptr);
    EXPECT_TRUE(m_host.events.empty());
}

TEST_F(AmxCommandInterpreter, OldTextCommandsTurnBarsIntoLineFeedsInPlace)
{
    char text[] = "TEXT7-one|two";
    m_interpreter.Execute(1, text);
    ASSERT_EQ(m_host.events.size(), 1u);
    EXPECT_EQ(Wide(m_host.events[0].ArgumentWide()), u"one\ntwo");
    EXPECT_STREQ(text, "TEXT7-one\ntwo");
}

TEST_F(AmxCommandInterpreter, LongHexTextIsCutNotOverflowed)
{
    std::string command = "^UNI-5,0,";
    for (int i = 0; i < 12000; ++i)
        command += "20AC";
    Run(command);
    const CDeviceEvent& event = Only();
    ASSERT_NE(event.ArgumentWide(), nullptr);
    std::u16string text = event.ArgumentWide();
    EXPECT_EQ(text.size(), 682u); // 2047 bytes hold 682 three-byte characters
    EXPECT_EQ(text.find_first_not_of(u'\u20AC'), std::u16string::npos);
}
} // namespace
