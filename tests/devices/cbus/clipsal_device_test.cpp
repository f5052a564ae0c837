// The serial interface driver against a scripted interface on loopback.
#include "CbusTestSupport.h"
#include "common/NerulanValue.h"
#include "devices/DeviceParams.h"
#include "devices/buses/cbus/ClipsalDevice.h"
#include "support/TcpPeer.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
using cbus_test::CRecording;
using cbus_test::Text;
using cbus_test::Tick;

std::vector<uint8_t> Blob(uint8_t commandType, uint8_t application, uint8_t group, uint8_t command,
                          std::vector<uint8_t> data = {0}, uint8_t unit = 0, std::vector<uint8_t> path = {})
{
    std::vector<uint8_t> blob = {static_cast<uint8_t>(path.size())};
    blob.insert(blob.end(), path.begin(), path.end());
    for (uint8_t b : {unit, commandType, application, group, command, static_cast<uint8_t>(data.size() - 1)})
        blob.push_back(b);
    blob.insert(blob.end(), data.begin(), data.end());
    return blob;
}

const char kInit[] = "~~~\r@A330005100\rA3300051\r";
const char kOnGroup1[] = "\\053800790149g\r";
const char kStatusBlock0[] = "\\05FF00730738004Ag\r";

class ClipsalDeviceTest : public cbus_test::PeerTest<CClipsalDevice>
{
protected:
    // Connects and waits for the set-up lines, then forgets them.
    void Online()
    {
        ASSERT_NO_FATAL_FAILURE(Connect());
        ASSERT_TRUE(Tick(*device, [&] { return peer.Bytes().size() >= sizeof kInit - 1; }));
        ASSERT_EQ(peer.ChunkCount(), 1u);
        EXPECT_EQ(Text(peer.Bytes()), kInit);
        peer.Clear();
    }
};

TEST_F(ClipsalDeviceTest, SetUpOnceThenPressSendsCommandAndStatusRequest)
{
    Add(1, Blob(1, 0x38, 1, 0x79));
    Online();
    CNerulanValue value;
    ASSERT_TRUE(device->Press(1, &value));
    ASSERT_TRUE(Received(std::string(kOnGroup1) + kStatusBlock0));

    // A second press within the spacing sends its command; the status request waits for the
    // spacing and goes once.
    peer.Clear();
    ASSERT_TRUE(device->Press(1, &value));
    ASSERT_TRUE(device->Press(1, &value));
    ASSERT_TRUE(Received(std::string(kOnGroup1) + kOnGroup1));
    Tick(
        *device, [] { return false; }, 100);
    EXPECT_EQ(Text(peer.Bytes()), std::string(kOnGroup1) + kOnGroup1);
    device->Advance(CClipsalDevice::kStatusSpacing + 1);
    ASSERT_TRUE(Received(kStatusBlock0));
    Tick(
        *device, [] { return false; }, 100);
    EXPECT_EQ(Text(peer.Bytes()), std::string(kOnGroup1) + kOnGroup1 + kStatusBlock0);
}

TEST_F(ClipsalDeviceTest, SliderSendsARampAndUnknownChannelsAreRefused)
{
    Add(2, Blob(4, 0x38, 5, 0x00));
    Online();
    std::unique_ptr<CNerulanValue> slider(CNerulanValue::NewFloat(57.8f));
    CNerulanValue value;
    EXPECT_TRUE(device->SetValue(2, slider.get()));
    // Ramp 0x02, group 5, level 57 (0x39): 05 38 00 02 05 39, checksum 0x83.
    ASSERT_TRUE(Received("\\05380002053983g\r"));
    EXPECT_FALSE(device->Press(9, &value));
    EXPECT_FALSE(device->SetValue(9, &value));
    EXPECT_FALSE(device->Release(2, &value));
}

TEST_F(ClipsalDeviceTest, MonitoredPacketsSetTheChannels)
{
    Add(1, Blob(4, 0x38, 1, 0x00));
    Add(2, Blob(5, 0x38, 1, 0x79));
    Add(3, Blob(1, 0x38, 1, 0x79, {0}, 0x0D)); // another source unit only
    Online();
    device->Clear();
    peer.Send(PeerText("050C38000101B5\r\n"));
    float level = -1, toggle = -1, other = -1;
    ASSERT_TRUE(Tick(*device, [&] { return device->Last(1, level) && device->Last(2, toggle); }));
    EXPECT_EQ(level, 0.0f);
    EXPECT_EQ(toggle, 0.0f);
    EXPECT_FALSE(device->Last(3, other));

    // On, then a ramp to 128: the level channel follows both.
    peer.Send(PeerText("g.050C38007901020180B5\r\n"));
    ASSERT_TRUE(Tick(*device, [&] { return device->Last(1, level) && level == 128.0f; }));
}

TEST_F(ClipsalDeviceTest, StatusRepliesStoreLevelsAndUnavailableBlocksAreAskedAgain)
{
    Add(1, Blob(4, 0x38, 1, 0x00));
    Add(2, Blob(5, 0x38, 2, 0x79));
    Online();
    // A reset line: every block in use is asked once, and the application gets its record.
    peer.Send(PeerText("@reset\r"));
    ASSERT_TRUE(Received(kStatusBlock0));
    Tick(
        *device, [] { return false; }, 100);
    EXPECT_EQ(Text(peer.Bytes()), kStatusBlock0);
    peer.Clear();

    // Levels of groups 0-2: none, 0xFF, unavailable.
    peer.Send(PeerText("EB0738000000555500FF00\r\n"));
    float level = -1, toggle = -1;
    ASSERT_TRUE(Tick(*device, [&] { return device->Last(1, level); }));
    EXPECT_EQ(level, 255.0f);
    EXPECT_EQ(device->StoredLevel(0x38, 1), 255);
    EXPECT_FALSE(device->Last(2, toggle));
    // The unavailable block goes again after the spacing.
    Tick(
        *device, [] { return false; }, 100);
    EXPECT_TRUE(peer.Bytes().empty());
    device->Advance(CClipsalDevice::kStatusSpacing + 1);
    ASSERT_TRUE(Received(kStatusBlock0));
}

TEST_F(ClipsalDeviceTest, ToggleFollowsTheStoredLevel)
{
    Add(1, Blob(5, 0x38, 1, 0x79));
    Online();
    peer.Send(PeerText("@\r"));
    ASSERT_TRUE(Received(kStatusBlock0));
    peer.Send(PeerText("E8073801555500\r\n"));
    ASSERT_TRUE(Tick(*device, [&] { return device->StoredLevel(0x38, 1) == 255; }));
    peer.Clear();
    CNerulanValue value;
    ASSERT_TRUE(device->Press(1, &value));
    // Off (0x01) for group 1: 05 38 00 01 01, checksum 0xC1.
    ASSERT_TRUE(Received("\\0538000101C1g\r"));
}

TEST_F(ClipsalDeviceTest, AirconPressSendsTheChangedZoneAndFeedbackFollows)
{
    Add(1, Blob(7, 0xAC, 2, 1, {1, 3}));
    Add(2, Blob(0, 0xAC, 2, 18, {1, 0}));
    Online();
    device->Clear();
    // Set zone mode for zone group 2, then the temperature 21.5.
    peer.Send(PeerText("050CAC002F0205011122000000\r\n"));
    peer.Send(PeerText("050CAC0015020515800000\r\n"));
    // The two lines may arrive in two reads, and the first may already post for channel 2: wait
    // for the temperature itself.
    float temperature = 0;
    ASSERT_TRUE(Tick(*device, [&] { return device->Last(2, temperature) && temperature == 21.5f; }))
        << temperature;
    EXPECT_EQ(temperature, 21.5f);
    CNerulanValue value;
    ASSERT_TRUE(device->Press(1, &value));
    // Field 1 (the mode) set to 3: 05 AC 00 2F 02 05 03 11 22 00, checksum 0x31.
    ASSERT_TRUE(Received("\\05AC002F020503112200"));
}
} // namespace
