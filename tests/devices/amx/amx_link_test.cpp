// The AMX link against a scripted master on 127.0.0.1: the first message, the registration after
// the welcome, pushes, levels and commands both ways, pings, the silence time-out and the
// reconnect, and the login with enciphered traffic.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
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

ByteList FromHex(const char* hex)
{
    ByteList out;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
    return out;
}

// The panel's identity as it goes in its first message.
ByteList PanelInfo()
{
    ByteList serial{'N', '\\', 'A'};
    serial.resize(16, 0);
    return Join({{0, 0},
                 Words({1, 330}),
                 serial,
                 Words({656}),
                 Text("1.5.6"),
                 {0},
                 Text("Nerulan for Win32"),
                 {0},
                 Text("Talvenor Ltd."),
                 {0},
                 {2, 4, 127, 0, 0, 1}});
}

class AmxLink : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(master.Ok());
        device = std::make_unique<AmxTestDevice>();
        Add(1, 1, NumberBlob(2, 1, 17));        // button, port 1 channel 17
        Add(2, 6, NumberBlob(3, 1, 3));         // slider, port 1 level 3
        Add(3, 6, NumberBlob(3, 2, 4));         // port 2 level 4
        Add(4, 1, NumberBlob(2, 2, 8));         // port 2 channel 8
        Add(5, 0, TextBlob(5, 1, "PAGE-Main")); // command channel, port 1
        Add(6, 0, TextBlob(5, 0, "@PPN-Menu")); // command channel run by the panel
        Add(7, 1, NumberBlob(2, 0, 5));         // a port-0 channel
        Add(8, 0, NumberBlob(1, 1, 40));        // a text address
    }
    void TearDown() override { device.reset(); }

    void Add(uint32_t id, uint8_t channelClass, const ByteList& blob)
    {
        device->AddChannel(id, channelClass, 1, 0, static_cast<uint32_t>(blob.size()), blob.data());
    }
    void Configure(const char* user = nullptr, const char* password = nullptr)
    {
        DeviceParams params;
        params.host = "127.0.0.1";
        params.port = master.Port();
        params.value = kPanel;
        params.text = user;
        params.password = password;
        params.product = "Nerulan for Win32";
        params.version = "1.5.6";
        params.maker = "Talvenor Ltd.";
        params.serial = "N\\A";
        ASSERT_TRUE(device->Configure(&params));
    }
    template <typename Predicate> bool Tick(Predicate done, uint32_t ms = 10000)
    {
        return device_test::Tick(*device, done, ms);
    }
    // Connects, checks the first message and lets the master welcome the panel.
    void ConnectAndWelcome()
    {
        Configure();
        device->Connect();
        ASSERT_TRUE(master.WaitMessages(1, 10000));
        master.Send(0x0001, {}, 0x0208);
        ASSERT_TRUE(master.WaitCommand(0x008C, 10000));
        ASSERT_TRUE(Tick([&] { return device->GetState() == CAbstractDevice::StateOnline; }));
    }
    // The messages the panel sends during `act`.
    std::vector<Message> During(const std::function<void()>& act, size_t count)
    {
        const size_t before = master.Messages().size();
        act();
        EXPECT_TRUE(master.WaitMessages(before + count, 10000));
        std::vector<Message> all = master.Messages();
        return std::vector<Message>(all.begin() + static_cast<long>(before), all.end());
    }
    bool HasEvent(uint8_t kind, uint32_t channel, float value)
    {
        for (const Event& e : device->events)
        {
            if (e.kind == kind && e.channel == channel && e.number == value)
                return true;
        }
        return false;
    }

    AmxMaster master;
    std::unique_ptr<AmxTestDevice> device;
};

TEST_F(AmxLink, FirstMessageThenRegistrationInOrderAfterTheWelcome)
{
    Configure();
    device->Connect();
    ASSERT_TRUE(master.WaitMessages(1, 10000));
    std::vector<Message> first = master.Messages();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].bytes,
              PanelFrame(0x0097, Join({Words({kPanel, 0, 0}), PanelInfo()}), 0x0212, 1, 0, kPanel));

    // An acknowledgement without the welcome flags changes nothing.
    master.Send(0x0001, {}, 0x0200);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    device->Update();
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateConnecting);

    master.Send(0x0001, {}, 0x0208);
    ASSERT_TRUE(master.WaitCommand(0x008C, 10000));
    ASSERT_TRUE(Tick([&] { return device->GetState() == CAbstractDevice::StateOnline; }));
    const std::vector<Message> all = master.Messages();
    const std::vector<uint16_t> expected = {0x0097, 0x0097, 0x0090, 0x0091, 0x0092, 0x0095, 0x0093,
                                            0x0094, 0x0091, 0x0092, 0x0095, 0x0093, 0x0094, 0x008C};
    EXPECT_EQ(master.Commands(), expected);
    EXPECT_EQ(master.Leftover(), 0u);
    ASSERT_EQ(all.size(), expected.size());
    for (size_t i = 0; i < all.size(); ++i)
    {
        EXPECT_EQ(all[i].id, i + 1) << i;
        EXPECT_EQ(all[i].hops, 0x0F);
    }
    // From the welcome on, the master's system is in both addresses.
    EXPECT_EQ(all[1].destinationSystem, 5);
    EXPECT_EQ(all[1].sourceSystem, 5);
    EXPECT_EQ(all[1].flags, 0x0200);
    EXPECT_EQ(all[1].payload[6], 1); // the sensor identity
    EXPECT_EQ(all[2].bytes, PanelFrame(0x0090, Words({kPanel, 5, 2}), 0x0200, 3, 5, kPanel));
    EXPECT_EQ(all[3].payload, Words({kPanel, 1, 5, 17}));
    EXPECT_EQ(all[4].payload, Words({kPanel, 1, 5, 4}));
    EXPECT_EQ(all[5].payload,
              Join({Words({kPanel, 1, 5, 3}), {9, 0x10, 0x11, 0x20, 0x21, 0x40, 0x41, 0x4F, 0x8F, 0x00}}));
    EXPECT_EQ(all[6].payload, Join({Words({kPanel, 1, 5}), {1}, Words({199})}));
    EXPECT_EQ(all[10].payload,
              Join({Words({kPanel, 2, 5, 4}), {9, 0x10, 0x11, 0x20, 0x21, 0x40, 0x41, 0x4F, 0x8F, 0x00}}));
    const std::string text = "G4WC-\"Nerulan\",127.0.0.1,5900,1";
    EXPECT_EQ(
        all[13].bytes,
        PanelFrame(
            0x008C,
            Join({Words({kPanel, 1, 5}), {1}, Words({static_cast<uint16_t>(text.size())}), Text(text), {0}}),
            0x0200, 14, 5, kPanel));
    EXPECT_EQ(device->GetLocalAddress(), 0x0100007Fu);
}

TEST_F(AmxLink, PushReleaseLevelAndCommandChannels)
{
    ConnectAndWelcome();
    CNerulanValue none;
    std::vector<Message> sent = During(
        [&]
        {
            device->Press(1, &none);
            device->Release(1, &none);
        },
        2);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].bytes, PanelFrame(0x0084, Words({kPanel, 1, 5, 17}), 0x0200, 15, 5, kPanel));
    EXPECT_EQ(sent[1].bytes, PanelFrame(0x0085, Words({kPanel, 1, 5, 17}), 0x0200, 16, 5, kPanel));

    std::unique_ptr<CNerulanValue> level(CNerulanValue::NewInt(200));
    sent = During([&] { device->SetValue(2, level.get()); }, 1);
    EXPECT_EQ(sent[0].command, 0x008A);
    EXPECT_EQ(sent[0].payload, Join({Words({kPanel, 1, 5, 3}), {0x21}, Words({200})}));

    sent = During([&] { device->Press(5, &none); }, 1);
    EXPECT_EQ(sent[0].command, 0x008C);
    EXPECT_EQ(sent[0].payload, Join({Words({kPanel, 1, 5}), {1}, Words({9}), Text("PAGE-Main")}));

    // Port 0: a command channel runs its text here as a command of port 1; a release still goes.
    sent = During(
        [&]
        {
            device->Press(6, &none);
            device->Press(7, &none);
            device->Release(7, &none);
        },
        1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, 0x0085);
    EXPECT_EQ(sent[0].payload, Words({kPanel, 0, 5, 5}));
    EXPECT_EQ(device->Commands(), std::vector<std::string>{"1:@PPN-Menu"});

    sent = During([&] { device->SendBytes(reinterpret_cast<const uint8_t*>("abc"), 3); }, 1);
    EXPECT_EQ(sent[0].command, 0x008B);
    EXPECT_EQ(sent[0].payload, Join({Words({kPanel, 1, 5}), {1}, Words({3}), Text("abc")}));
    EXPECT_EQ(master.Leftover(), 0u);
}

TEST_F(AmxLink, FeedbackLevelsCommandsAndPingsAreTakenAndAnswered)
{
    ConnectAndWelcome();
    struct Case
    {
        const char* name;
        uint16_t command;
        ByteList payload;
    };
    const Case cases[] = {
        {"channel on", 0x0006, Words({kPanel, 1, 5, 17})},
        {"level", 0x000A, Join({Words({kPanel, 1, 5, 3}), {0x21, 0xFF, 0xFE}})},
        {"channel off", 0x0007, Words({kPanel, 1, 5, 17})},
        {"no such channel", 0x0006, Words({kPanel, 9, 5, 17})},
        {"level past its frame", 0x000A, Join({Words({kPanel, 1, 5, 3}), {0x41, 0xFF}})},
        {"string", 0x000B, Join({Words({kPanel, 1, 5}), {1}, Words({3}), Text("abc")})},
        {"command", 0x000C, Join({Words({kPanel, 2, 5}), {1}, Words({5}), Text("PAGE-")})},
        {"command longer than its frame", 0x000C,
         Join({Words({kPanel, 2, 5}), {0xFF}, Words({0xFFFF}), Text("x")})},
        {"device information", 0x0097, Join({Words({0, 5, 0}), PanelInfo()})},
    };
    for (const Case& c : cases)
    {
        std::vector<Message> answer;
        uint16_t id = 0;
        answer = During([&] { id = master.Send(c.command, c.payload); }, 1);
        ASSERT_EQ(answer.size(), 1u) << c.name;
        EXPECT_EQ(answer[0].bytes, PanelFrame(0x0001, {}, 0x0200, id, 5, kPanel)) << c.name;
    }
    ASSERT_TRUE(Tick([&] { return device->events.size() >= 3; }));
    EXPECT_TRUE(HasEvent(EventSetItemValue, 1, 1.0f));
    EXPECT_TRUE(HasEvent(EventSetItemValue, 2, -2.0f));
    EXPECT_TRUE(HasEvent(EventSetItemValue, 1, 0.0f));
    EXPECT_EQ(device->Commands(), std::vector<std::string>{"2:PAGE-"});

    const uint16_t ping = 0x7777;
    std::vector<Message> reply = During([&] { master.Send(0x0501, {}, 0x0200, ping); }, 1);
    EXPECT_EQ(reply[0].bytes, PanelFrame(0x0581, Join({Words({kPanel, 5, 1, 330}), {2, 4, 127, 0, 0, 1}}),
                                         0x0200, ping, 5, kPanel));

    // Junk, a frame with a bad checksum, then two messages in one block: both are taken.
    ByteList bad = Frame(0x0006, Words({kPanel, 2, 5, 8}), 0x0200, 0x300, 5, kPanel, 1);
    bad.back() ^= 0x55;
    const ByteList block = Join({{0x00, 0x55, 0x13},
                                 bad,
                                 Frame(0x0006, Words({kPanel, 2, 5, 8}), 0x0200, 0x301, 5, kPanel, 1),
                                 Frame(0x0501, {}, 0x0200, 0x302, 5, kPanel, 1)});
    reply = During([&] { master.TcpPeer::Send(block); }, 2);
    ASSERT_EQ(reply.size(), 2u);
    EXPECT_EQ(reply[0].command, 0x0001);
    EXPECT_EQ(reply[0].id, 0x301);
    EXPECT_EQ(reply[1].command, 0x0581);
    EXPECT_EQ(reply[1].id, 0x302);
    ASSERT_TRUE(Tick([&] { return HasEvent(EventSetItemValue, 4, 1.0f); }));
}

TEST_F(AmxLink, AFrameIsTakenOnlyOnceItsChecksumArrives)
{
    ConnectAndWelcome();
    const ByteList ping = Frame(0x0501, {}, 0x0200, 0x0400, 5, kPanel, 1);
    const size_t before = master.Messages().size();
    master.TcpPeer::Send(ByteList(ping.begin(), ping.end() - 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(master.Messages().size(), before);
    master.TcpPeer::Send(ByteList(ping.end() - 1, ping.end()));
    ASSERT_TRUE(master.WaitCommand(0x0581, 10000, before));
}

TEST_F(AmxLink, SilenceDropsTheLinkAndItReopensFiveSecondsLater)
{
    ConnectAndWelcome();
    const uint32_t t0 = device->RealNow();
    device->SetDeviceTime(t0);
    master.Send(0x0006, Words({kPanel, 1, 5, 17}));
    ASSERT_TRUE(Tick([&] { return HasEvent(EventSetItemValue, 1, 1.0f); }));
    device->events.clear();
    device->SetDeviceTime(t0 + 10000);
    device->Update();
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateOnline);
    device->SetDeviceTime(t0 + 10001);
    device->Update();
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateIdle);
    // The next tick closes the link; the feedback is left as it is.
    device->Update();
    ASSERT_TRUE(master.WaitClientGone(10000));
    device->Update();
    EXPECT_FALSE(HasEvent(EventSetItemValue, 1, 0.0f));
    device->SetDeviceTime(t0 + 10001 + 5000);
    device->Update();
    EXPECT_EQ(master.Accepted(), 1);
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateIdle);
    master.Clear();
    device->SetDeviceTime(t0 + 10001 + 5001);
    device->Update();
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateConnecting);
    ASSERT_TRUE(master.WaitAccepted(2, 10000));
    ASSERT_TRUE(master.WaitMessages(1, 10000));
    EXPECT_EQ(master.Messages()[0].command, 0x0097);
    EXPECT_EQ(master.Messages()[0].flags, 0x0212);
    // A new link starts from system 0 again.
    EXPECT_EQ(master.Messages()[0].sourceSystem, 0);
}

TEST_F(AmxLink, LosingTheLinkWhileOnlineClearsTheFeedback)
{
    ConnectAndWelcome();
    master.CloseClient();
    ASSERT_TRUE(Tick([&] { return HasEvent(EventSetItemValue, 1, 0.0f); }));
    EXPECT_TRUE(HasEvent(EventSetItemValue, 2, 0.0f));
    EXPECT_TRUE(HasEvent(EventSetItemValue, 3, 0.0f));
    EXPECT_TRUE(HasEvent(EventSetItemValue, 4, 0.0f));
    EXPECT_FALSE(HasEvent(EventSetItemValue, 5, 0.0f));
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateIdle);
}

// Challenge 11 22 33 44, user "admin", password "secret": the key is MD5 of the challenge, the
// user and the password; the answer MD5 of the challenge and the two in Base64.
const char* const kKey = "a26a02f5ba1e1dc6801b45da6970ec20";
const char* const kAnswer = "cad741e3374d8bcc1f9fca9f10f1d103";

TEST_F(AmxLink, LoginThenEveryMessageGoesEnvelopedBothWays)
{
    Configure("admin", "secret");
    device->Connect();
    ASSERT_TRUE(master.WaitMessages(1, 10000));
    std::vector<Message> answer = During([&] { master.Send(0x0701, {0x11, 0x22, 0x33, 0x44}); }, 1);
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_FALSE(answer[0].enveloped);
    EXPECT_EQ(answer[0].bytes,
              PanelFrame(0x0702, Join({Words({1}), FromHex(kAnswer)}), 0x0200, 2, 0, kPanel));
    EXPECT_TRUE(device->IsLoggedIn());

    master.SetKey(FromHex(kKey));
    const size_t before = master.Messages().size();
    master.Send(0x0703, {0, 0, 0, 1}, 0x0208);
    ASSERT_TRUE(master.WaitCommand(0x008C, 10000, before));
    ASSERT_TRUE(Tick([&] { return device->GetState() == CAbstractDevice::StateOnline; }));
    std::vector<Message> all = master.Messages();
    all.erase(all.begin(), all.begin() + static_cast<long>(before));
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all[0].command, 0x0097);
    EXPECT_EQ(all[0].flags, 0x0212);
    EXPECT_EQ(all[1].command, 0x0097);
    EXPECT_EQ(all[2].command, 0x0090);
    for (const Message& m : all)
        EXPECT_TRUE(m.enveloped) << m.command;
    // The envelope's own header.
    const ByteList raw = master.Bytes();
    size_t at = 0;
    for (int skip = 0; skip < 2; ++skip)
        at += static_cast<size_t>(raw[at + 1] << 8 | raw[at + 2]) + 4;
    EXPECT_EQ(ByteList(raw.begin() + static_cast<long>(at + 3), raw.begin() + static_cast<long>(at + 13)),
              (ByteList{0x00, 0x05, 0x27, 0x11, 0x01, 0x04, 0x5B, 0xC6, 0x81, 0x3E}));

    // Enveloped feedback is read and acknowledged in an envelope; a push goes enveloped.
    uint16_t id = 0;
    std::vector<Message> ack = During([&] { id = master.Send(0x0006, Words({kPanel, 1, 5, 17})); }, 1);
    EXPECT_TRUE(ack[0].enveloped);
    EXPECT_EQ(ack[0].command, 0x0001);
    EXPECT_EQ(ack[0].id, id);
    ASSERT_TRUE(Tick([&] { return HasEvent(EventSetItemValue, 1, 1.0f); }));
    CNerulanValue none;
    std::vector<Message> push = During([&] { device->Press(1, &none); }, 1);
    EXPECT_TRUE(push[0].enveloped);
    EXPECT_EQ(push[0].command, 0x0084);
    EXPECT_EQ(master.Leftover(), 0u);
}

TEST_F(AmxLink, WithoutCredentialsAChallengeGoesUnansweredAndEnvelopesAreDropped)
{
    Configure();
    device->Connect();
    ASSERT_TRUE(master.WaitMessages(1, 10000));
    master.Send(0x0701, {0x11, 0x22, 0x33, 0x44});
    master.SetKey(FromHex(kKey));
    master.Send(0x0501, {});
    master.SetKey({});
    // The clear ping after them is the first thing answered.
    const uint16_t ping = master.Send(0x0501, {});
    ASSERT_TRUE(master.WaitMessages(2, 10000));
    EXPECT_EQ(master.Messages()[1].command, 0x0581);
    EXPECT_EQ(master.Messages()[1].id, ping);
    EXPECT_FALSE(device->IsLoggedIn());
}

TEST_F(AmxLink, ALoginResultOfZeroLeavesThePanelConnecting)
{
    Configure("admin", "secret");
    device->Connect();
    ASSERT_TRUE(master.WaitMessages(1, 10000));
    master.Send(0x0701, {0x11, 0x22, 0x33, 0x44});
    ASSERT_TRUE(master.WaitMessages(2, 10000));
    master.SetKey(FromHex(kKey));
    master.Send(0x0703, {0, 0, 0, 0}, 0x0208);
    const uint16_t ping = master.Send(0x0501, {});
    ASSERT_TRUE(master.WaitMessages(3, 10000));
    EXPECT_EQ(master.Messages()[2].command, 0x0581);
    EXPECT_EQ(master.Messages()[2].id, ping);
    device->Update();
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateConnecting);
}
} // namespace
