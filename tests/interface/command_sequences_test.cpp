// Items bound to custom byte-string devices: their addresses sorted into press, release and hold
// sequences at load, and the item timer playing them entry by entry on a real TCP link.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/InStream.h"
#include "common/Vector.h"
#include "devices/DeviceParams.h"
#include "devices/controllers/custom/CustomTCPDevice.h"
#include "interface/CommandSequences.h"
#include "interface/DialogItem.h"
#include "interface/ItemToDevice.h"
#include "support/TcpPeer.h"

namespace
{
constexpr uint16_t kCustom = 5;
constexpr uint16_t kPlain = 6;
constexpr uint32_t kTick = 5;

uint32_t Address(uint16_t device, uint16_t channel)
{
    return (uint32_t{device} << 16) | channel;
}

std::vector<uint8_t> Blob(uint8_t kind, const std::string& bytes, uint32_t holdPeriod, uint32_t delay)
{
    std::vector<uint8_t> blob;
    auto u32 = [&](uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            blob.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    blob.push_back(kind);
    u32(0);
    u32(0);
    blob.push_back(1);
    u32(static_cast<uint32_t>(bytes.size()));
    blob.insert(blob.end(), bytes.begin(), bytes.end());
    u32(holdPeriod);
    u32(delay);
    return blob;
}

// A device of another family: its addresses stay in the item's plain list.
class CPlainDevice : public CAbstractDevice
{
};

class CommandSequences : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_peer.Ok());
        m_custom = new CCustomTCPDevice();
        m_custom->SetId(kCustom);
        auto add = [&](uint16_t id, const std::vector<uint8_t>& blob)
        { m_custom->AddChannel(id, 0, 0, 0, static_cast<uint32_t>(blob.size()), blob.data()); };
        add(1, Blob(1, "A", 0, 0));
        add(2, Blob(1, "B", 0, 500));
        add(3, Blob(1, "C", 0, 0));
        add(4, Blob(2, "R", 0, 0));
        add(5, Blob(32, "H", 0, 0));
        add(6, Blob(32, "J", 0, 1000));
        add(7, Blob(3, "OK", 0, 0)); // a feedback pattern: no use to an item
        add(8, Blob(2, "S", 0, 0));
        auto* plain = new CPlainDevice();
        plain->SetId(kPlain);
        m_devices.Add(m_custom);
        m_devices.Add(plain);
        g_pDeviceList = &m_devices;

        DeviceParams params;
        params.host = "127.0.0.1";
        params.port = m_peer.Port();
        ASSERT_TRUE(m_custom->Configure(&params));
        ASSERT_TRUE(m_custom->Connect());
        ASSERT_TRUE(m_peer.WaitAccepted(1, 10000));
        for (int i = 0; i < 1000 && m_custom->GetState() != CAbstractDevice::StateOnline; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_EQ(m_custom->GetState(), CAbstractDevice::StateOnline);
    }

    void TearDown() override
    {
        g_pDeviceList = nullptr;
        for (int32_t i = 0; i < m_devices.GetCount(); ++i)
            delete m_devices.Get<CAbstractDevice>(i);
    }

    // Loads the item's addresses as the interface file gives them.
    void Load(CDialogItem& item, const std::vector<uint32_t>& addresses)
    {
        std::vector<uint8_t> record{static_cast<uint8_t>(addresses.size())};
        for (uint32_t a : addresses)
            for (int i = 0; i < 4; ++i)
                record.push_back(static_cast<uint8_t>(a >> (8 * i)));
        CInStream stream(CInStream::Refuse, static_cast<int32_t>(record.size()));
        ASSERT_TRUE(stream.Append(record.data(), static_cast<int32_t>(record.size())));
        ASSERT_TRUE(item.LoadCommandKeys(&stream));
    }

    // Runs the item's timer for n ticks.
    static void Ticks(CDialogItem& item, int n)
    {
        for (int i = 0; i < n; ++i)
            item.OnTimer(kTick);
    }

    // What the peer got so far, once it has at least `count` bytes and nothing more came soon.
    std::string Received(size_t count)
    {
        m_peer.WaitBytes(count, 10000);
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        auto bytes = m_peer.Bytes();
        return std::string(bytes.begin(), bytes.end());
    }

    TcpPeer m_peer;
    CVector m_devices{4};
    CCustomTCPDevice* m_custom = nullptr;
};

TEST_F(CommandSequences, AddressesAreSortedAndUselessOnesDropped)
{
    CDialogItem item(0, nullptr);
    Load(item, {Address(kCustom, 1), Address(kCustom, 4), Address(kCustom, 5), Address(kCustom, 7),
                Address(kCustom, 99), Address(9, 1), Address(kPlain, 3), Address(kCustom, 2)});
    // Only the other family's address is plain; no custom address is.
    ASSERT_EQ(item.GetAddressCount(), 1);
    EXPECT_EQ(item.GetAddress(0), Address(kPlain, 3));
    EXPECT_EQ(item.m_hasSequences, 1);
    ASSERT_EQ(item.m_pressSequence.count, 2);
    EXPECT_EQ(item.m_pressSequence.entries[0], Address(kCustom, 1));
    EXPECT_EQ(item.m_pressSequence.entries[1], Address(kCustom, 2));
    ASSERT_EQ(item.m_releaseSequence.count, 1);
    EXPECT_EQ(item.m_releaseSequence.entries[0], Address(kCustom, 4));
    ASSERT_EQ(item.m_holdSequence.count, 1);
    EXPECT_EQ(item.m_holdSequence.entries[0], Address(kCustom, 5));
    // Both runs start ended: nothing plays before a press.
    Ticks(item, 3);
    EXPECT_EQ(Received(0), "");

    EXPECT_EQ(FindCustomChannel(Address(kCustom, 2))->GetSequenceDelay(), 500u);
    EXPECT_EQ(FindCustomChannel(Address(kCustom, 99)), nullptr);
    EXPECT_EQ(FindCustomChannel(Address(kPlain, 3)), nullptr);
    EXPECT_EQ(FindCustomChannel(Address(9, 1)), nullptr);
}

TEST_F(CommandSequences, PressRunPlaysByDelaysAndDoesNotRestartMidRun)
{
    CDialogItem item(0, nullptr);
    Load(item, {Address(kCustom, 1), Address(kCustom, 2), Address(kCustom, 3)});

    PressItemChannels(&item);
    Ticks(item, 1); // the press tick: the first entry (delay 0)
    EXPECT_EQ(Received(1), "A");
    // A second press while the run plays does not start it again.
    PressItemChannels(&item);
    Ticks(item, 98); // 490 ms since the first entry
    EXPECT_EQ(Received(1), "A");
    Ticks(item, 1); // 495 ms
    EXPECT_EQ(Received(1), "A");
    Ticks(item, 1); // 500 ms: the second entry
    EXPECT_EQ(Received(2), "AB");
    Ticks(item, 1); // delay 0: the next tick
    EXPECT_EQ(Received(3), "ABC");
    Ticks(item, 10);
    EXPECT_EQ(Received(3), "ABC");

    // Once ended, a press plays the whole run again from its first entry.
    PressItemChannels(&item);
    Ticks(item, 101); // A at once, B 500 ms later
    EXPECT_EQ(Received(5), "ABCAB");
    Ticks(item, 1);
    EXPECT_EQ(Received(6), "ABCABC");
}

TEST_F(CommandSequences, PressAndReleasePlayOnlyTheirOwnRuns)
{
    CDialogItem item(0, nullptr);
    Load(item, {Address(kCustom, 4), Address(kCustom, 1), Address(kCustom, 8)});
    PressItemChannels(&item);
    Ticks(item, 3);
    EXPECT_EQ(Received(1), "A");
    ReleaseItemChannels(&item);
    Ticks(item, 1);
    EXPECT_EQ(Received(2), "AR");
    Ticks(item, 1);
    EXPECT_EQ(Received(3), "ARS");
    Ticks(item, 5);
    EXPECT_EQ(Received(3), "ARS");
}

TEST_F(CommandSequences, HoldEntriesRepeatWhileHeldAndJoinAfterTheirDelay)
{
    CDialogItem item(0, nullptr);
    Load(item, {Address(kCustom, 5), Address(kCustom, 6)});
    PressItemChannels(&item);
    item.m_flags |= ItemFlagPressed;
    Ticks(item, 199); // 995 ms held: only the delay-0 entry, on every tick
    EXPECT_EQ(Received(199), std::string(199, 'H'));
    Ticks(item, 1); // 1000 ms: the second entry joins
    EXPECT_EQ(Received(201), std::string(200, 'H') + "J");
    Ticks(item, 1);
    EXPECT_EQ(Received(203), std::string(200, 'H') + "JHJ");

    // Released: no hold entries any more, and the held time starts again at the next press.
    item.m_flags &= ~ItemFlagPressed;
    ReleaseItemChannels(&item);
    Ticks(item, 5);
    EXPECT_EQ(Received(203).size(), 203u);
    EXPECT_EQ(item.m_holdSequence.heldMs, 0u);
    m_peer.Clear();
    PressItemChannels(&item);
    item.m_flags |= ItemFlagPressed;
    Ticks(item, 2);
    EXPECT_EQ(Received(2), "HH");
}

TEST_F(CommandSequences, AChannelGoneWhenDueEndsTheRun)
{
    CDialogItem item(0, nullptr);
    Load(item, {Address(kCustom, 1), Address(kCustom, 2)});
    PressItemChannels(&item);
    Ticks(item, 1);
    EXPECT_EQ(Received(1), "A");
    // The device goes from the list: the due entry finds no channel and the run ends.
    m_devices.RemoveAt(0);
    Ticks(item, 200);
    EXPECT_EQ(item.m_pressSequence.nextIndex, item.m_pressSequence.count);
    EXPECT_EQ(item.m_pressSequence.elapsedMs, 0u);
    m_devices.Add(m_custom);
    EXPECT_EQ(Received(1), "A");
}
} // namespace
