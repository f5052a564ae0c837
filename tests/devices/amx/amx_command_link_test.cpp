// Panel commands from the scripted master on 127.0.0.1 run through the link's own interpreter: a
// text command reaches the item of its text address, and a list-box row given a channel by the
// master pushes that channel on the link when the row is pressed.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "common/NerulanValue.h"
#include "devices/DeviceParams.h"
#include "devices/amx/support/AmxBlobs.h"
#include "devices/amx/support/AmxTestDevice.h"
#include "devices/support/DeviceTick.h"
#include "platform/Clock.h"
#include "support/AmxMaster.h"

namespace
{
using namespace amx_test;

constexpr uint16_t kPanel = 10001;
constexpr uint32_t kTextFive = 1; // text address 5 on port 1
constexpr uint32_t kListBox = 2;  // text address 10 on port 1
constexpr uint32_t kButton = 3;   // port 1 channel 17

// The payload of a command message to the panel's port.
ByteList CommandPayload(uint16_t port, const std::string& text)
{
    return Join({Words({kPanel, port, 5}), {1}, Words({static_cast<uint16_t>(text.size())}), Text(text)});
}

class AmxCommandLink : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(master.Ok());
        device = std::make_unique<AmxTestDevice>();
        device->interpret = true;
        Add(kTextFive, 0, NumberBlob(1, 1, 5));
        Add(kListBox, 0, NumberBlob(1, 1, 10));
        Add(kButton, 1, NumberBlob(2, 1, 17));
        DeviceParams params;
        params.host = "127.0.0.1";
        params.port = master.Port();
        params.value = kPanel;
        ASSERT_TRUE(device->Configure(&params));
        device->Connect();
        ASSERT_TRUE(master.WaitMessages(1, 10000));
        master.Send(0x0001, {}, 0x0208);
        ASSERT_TRUE(master.WaitCommand(0x008C, 10000));
        ASSERT_TRUE(Tick([&] { return device->GetState() == CAbstractDevice::StateOnline; }));
    }
    void TearDown() override { device.reset(); }

    void Add(uint32_t id, uint8_t channelClass, const ByteList& blob)
    {
        device->AddChannel(id, channelClass, 1, 0, static_cast<uint32_t>(blob.size()), blob.data());
    }
    template <typename Predicate> bool Tick(Predicate done, uint32_t ms = 10000)
    {
        return device_test::Tick(*device, done, ms);
    }
    // Sends a command message and waits for the panel's acknowledgement of it.
    void Command(uint16_t port, const std::string& text)
    {
        const size_t before = master.Messages().size();
        const uint16_t id = master.Send(0x000C, CommandPayload(port, text));
        ASSERT_TRUE(master.WaitCommand(0x0001, 10000, before)) << text;
        EXPECT_EQ(master.Messages().back().id, id) << text;
    }
    // The first drained event of this kind, waiting for it.
    bool WaitEvent(uint8_t kind, Event& found)
    {
        return Tick(
            [&]
            {
                for (const Event& e : device->events)
                {
                    if (e.kind == kind)
                    {
                        found = e;
                        return true;
                    }
                }
                return false;
            });
    }

    AmxMaster master;
    std::unique_ptr<AmxTestDevice> device;
};

TEST_F(AmxCommandLink, TextCommandSetsTheTextOfItsAddressInAllStates)
{
    Command(1, "^TXT-5,0,Hello");
    Event text;
    ASSERT_TRUE(WaitEvent(EventSetItemText, text));
    EXPECT_EQ(text.channel, kTextFive);
    EXPECT_EQ(static_cast<uint32_t>(text.value), 0xFFFFFFFFu); // every state
    EXPECT_EQ(text.text, u"Hello");
    EXPECT_EQ(device->Commands(), std::vector<std::string>{"1:^TXT-5,0,Hello"});

    // The same address on a port with no such text address changes nothing.
    device->events.clear();
    Command(2, "^TXT-5,0,Other");
    for (int i = 0; i < 20; ++i)
        device->Update();
    EXPECT_TRUE(device->events.empty());
}

TEST_F(AmxCommandLink, ListRowGivenAChannelPushesThatChannelWhenPressed)
{
    const uint16_t lastId = master.Messages().back().id;
    Command(1, "QVLB_CHANNEL-10,3,2,55");
    Event row;
    ASSERT_TRUE(WaitEvent(EventListBoxSetRowChannel, row));
    EXPECT_EQ(row.channel, kListBox);
    EXPECT_EQ(static_cast<uint32_t>(row.value), 3u);
    // The row's channel address: this device's id, then the channel made for port 2 channel 55.
    const uint32_t address = static_cast<uint32_t>(row.argument);
    EXPECT_EQ(address >> 16, device->GetId());
    const uint16_t rowChannel = static_cast<uint16_t>(address & 0xFFFF);
    EXPECT_NE(rowChannel, kTextFive);
    EXPECT_NE(rowChannel, kListBox);
    EXPECT_NE(rowChannel, kButton);

    // Pressing the row presses that channel: a push for port 2 channel 55, then its release.
    const size_t before = master.Messages().size();
    CNerulanValue none;
    device->Press(rowChannel, &none);
    device->Release(rowChannel, &none);
    ASSERT_TRUE(master.WaitMessages(before + 2, 10000));
    const std::vector<Message> all = master.Messages();
    ASSERT_EQ(all.size(), before + 2);
    // Acknowledgements answer with the master's id, so the push takes the next id after the
    // registration's last message.
    EXPECT_EQ(all[before].bytes, PanelFrame(0x0084, Words({kPanel, 2, 5, 55}), 0x0200,
                                            static_cast<uint16_t>(lastId + 1), 5, kPanel));
    EXPECT_EQ(all[before + 1].bytes, PanelFrame(0x0085, Words({kPanel, 2, 5, 55}), 0x0200,
                                                static_cast<uint16_t>(lastId + 2), 5, kPanel));
    EXPECT_EQ(master.Leftover(), 0u);

    // The same row channel again finds the channel already made.
    device->events.clear();
    Command(1, "QVLB_CHANNEL-10,4,2,55");
    ASSERT_TRUE(WaitEvent(EventListBoxSetRowChannel, row));
    EXPECT_EQ(static_cast<uint32_t>(row.value), 4u);
    EXPECT_EQ(static_cast<uint32_t>(row.argument), address);
}
} // namespace
