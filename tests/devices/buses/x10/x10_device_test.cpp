// The X10 drivers against a scripted CM11-kind interface: a pty as COM3 and a TCP gateway on
// loopback.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "../BusTestSupport.h"
#include "common/NerulanValue.h"
#include "devices/DeviceFactory.h"
#include "devices/DeviceParams.h"
#include "devices/buses/x10/X10SerialDevice.h"
#include "devices/buses/x10/X10TCPDevice.h"
#include "support/TcpPeer.h"

namespace
{
using bus_test::CRecording;
using bus_test::Hex;
using bus_test::SerialFolder;
using bus_test::Tick;
using bus_test::TickFor;
using Bytes = std::vector<uint8_t>;

// Channel blob: action, [period], house, unit, function, [extended], data.
Bytes Blob(uint8_t action, uint8_t house, uint8_t unit, uint8_t function, uint8_t data = 0,
           uint8_t extended = 0, uint32_t period = 0)
{
    Bytes blob = {action};
    if (action == 16)
    {
        for (int i = 0; i < 4; ++i)
            blob.push_back(static_cast<uint8_t>(period >> (8 * i)));
    }
    blob.insert(blob.end(), {house, unit, function});
    if (function == 7)
        blob.push_back(extended);
    blob.push_back(data);
    return blob;
}

template <class Device>
void Add(Device& device, uint16_t id, const Bytes& blob, uint8_t reportKind = 1, uint8_t direction = 0)
{
    ASSERT_TRUE(
        device.AddChannel(id, 6, reportKind, direction, static_cast<uint32_t>(blob.size()), blob.data()));
}

// The chunks joined, each as hex, with " | " between them.
std::string Exchanges(const std::vector<PeerLog::Chunk>& chunks)
{
    std::string text;
    for (const auto& c : chunks)
        text += (text.empty() ? "" : " | ") + Hex(c.bytes);
    return text;
}

class X10Gate : public bus_test::GateDriverTest<CX10TCPDevice>
{
protected:
    // Waits until the peer holds `count` chunks.
    bool Chunks(size_t count)
    {
        return Tick(*device, [&] { return peer.ChunkCount() >= count; });
    }
};

TEST_F(X10Gate, PressGoesAsAddressThenFunctionWithTheHandshakeAndTheGate)
{
    Add(*device, 1, Blob(1, 6, 6, 2));
    Online();
    EXPECT_FALSE(device->Press(1, nullptr)); // queued; the result is always false
    ASSERT_TRUE(Chunks(1));
    EXPECT_EQ(Hex(peer.Bytes()), "04 66");
    peer.Send({0x6A});
    ASSERT_TRUE(Chunks(2));
    peer.Send({0x55});
    ASSERT_TRUE(Tick(*device, [&] { return device->GateState() == CAbstractX10Device::GateClosed; }));
    ASSERT_TRUE(Chunks(3));
    peer.Send({0x68});
    ASSERT_TRUE(Chunks(4));
    peer.Send({0x55});
    ASSERT_TRUE(Tick(*device, [&] { return device->QueuedCommands() == 0; }));
    const auto chunks = peer.Chunks();
    EXPECT_EQ(Exchanges(chunks), "04 66 | 00 | 06 62 | 00");
    // The function frame waited for the gate: at least 1000 ms after the interface's 0x55.
    EXPECT_GE(chunks[2].timeMs - chunks[1].timeMs, 1000u);
}

TEST_F(X10Gate, ExtendedCodeAfterItsAddressAndDimCount)
{
    Add(*device, 1, Blob(1, 6, 6, 7, 0x20, 0x31));
    Add(*device, 2, Blob(2, 6, 6, 4, 0));
    Online();
    device->Press(1, nullptr);
    ASSERT_TRUE(Chunks(1));
    peer.Send({0x6A});
    ASSERT_TRUE(Chunks(2));
    // No 0x55: once the ready wait times out (the device clock moved on) the next exchange goes
    // all the same.
    device->Advance(1600);
    ASSERT_TRUE(Chunks(3));
    EXPECT_EQ(Hex(peer.Chunks()[2].bytes), "07 67 06 20 31");

    // SetValue sets the data: 5 gives the function header 0x2E.
    CNerulanValue* five = CNerulanValue::NewInt(5);
    EXPECT_TRUE(device->SetValue(2, five));
    delete five;
    EXPECT_FALSE(device->SetValue(9, nullptr));
}

TEST_F(X10Gate, LostChecksumIsSentAgainAfterTheTimeOut)
{
    Add(*device, 1, Blob(1, 6, 6, 2));
    Online();
    device->SetDeviceTime(1000);
    device->Press(1, nullptr);
    ASSERT_TRUE(Chunks(1));
    peer.Send({0x6B}); // damaged checksum: dropped
    device->SetDeviceTime(2500);
    TickFor(*device, 50);
    EXPECT_EQ(peer.ChunkCount(), 1u); // 1500 ms is not yet a time-out
    device->SetDeviceTime(2501);
    ASSERT_TRUE(Chunks(2));
    EXPECT_EQ(Exchanges(peer.Chunks()), "04 66 | 04 66");
    // Now it goes through.
    peer.Send({0x6A});
    ASSERT_TRUE(Chunks(3));
    EXPECT_EQ(Hex(peer.Chunks()[2].bytes), "00");
}

TEST_F(X10Gate, UnconfirmedCommandIsDroppedAfterItsLastTry)
{
    Add(*device, 1, Blob(1, 6, 6, 2));
    Online();
    device->Press(1, nullptr);
    for (size_t sends = 1; sends <= 4; ++sends)
    {
        ASSERT_TRUE(Chunks(sends));
        EXPECT_EQ(device->QueuedCommands(), 1);
        device->Advance(1600);
    }
    ASSERT_TRUE(Tick(*device, [&] { return device->QueuedCommands() == 0; }));
    EXPECT_EQ(Exchanges(peer.Chunks()), "04 66 | 04 66 | 04 66 | 04 66");
}

TEST_F(X10Gate, PeriodicChannelIsNeverQueuedTwice)
{
    Add(*device, 1, Blob(16, 6, 6, 2, 0, 0, 20));
    Online();
    // The interface never answers: the command stays queued while its period passes many times.
    TickFor(*device, 400);
    EXPECT_EQ(device->QueuedCommands(), 1);
}

TEST_F(X10Gate, ShortBlobsAreNotRead)
{
    const Bytes shortPeriodic = {16, 100, 0, 0, 0, 6, 6};
    Add(*device, 1, shortPeriodic);
    const Bytes shortExtended = {1, 6, 6, 7, 0x31};
    Add(*device, 2, shortExtended);
    Online();
    device->Press(2, nullptr);
    TickFor(*device, 100);
    EXPECT_EQ(device->QueuedCommands(), 0);
    EXPECT_EQ(peer.ChunkCount(), 0u);
}

class X10Serial : public bus_test::SerialDriverTest<CX10SerialDevice>
{
};

// The interface's poll and its upload, as a CM11 does it: it repeats the poll signal until it is
// answered and then uploads. (The serial transport drops what arrives while its own write is
// still draining, as on a two-wire line; a pty answers faster than any line, so an upload may be
// lost and the poll repeated.) True once `done` holds.
bool PollAndUpload(CRecording<CX10SerialDevice>& device, PtyPeer& peer, const Bytes& upload,
                   const std::function<bool()>& done)
{
    for (int attempt = 0; attempt < 8; ++attempt)
    {
        const size_t answered = peer.Bytes().size();
        peer.Send({0x5A});
        if (!Tick(
                device, [&] { return peer.Bytes().size() > answered; }, 2000))
            continue;
        EXPECT_EQ(peer.Bytes().back(), 0xC3);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        peer.Send(upload);
        if (Tick(device, done, 1000))
            return true;
    }
    return false;
}

TEST_F(X10Serial, PollIsAnsweredAndTheUploadApplied)
{
    Add(*device, 1, Blob(1, 6, 6, 2));             // kind 1: 1.0
    Add(*device, 2, Blob(1, 6, 6, 7, 0, 0x31), 6); // the extended code, kind 6: integers
    Online();
    ASSERT_TRUE(PollAndUpload(*device, Peer(), {0x03, 0x02, 0x66, 0x62},
                              [&] { return !device->EventsFor(1).empty(); }));
    EXPECT_EQ(device->EventsFor(1).back().kind, EventSetItemValue);
    EXPECT_EQ(device->EventsFor(1).back().value, 1.0f);
    // Off.
    ASSERT_TRUE(PollAndUpload(*device, Peer(), {0x03, 0x02, 0x66, 0x63},
                              [&] { return device->EventsFor(1).size() == 2; }));
    EXPECT_EQ(device->EventsFor(1).back().value, 0.0f);
    // An extended code with data 0x20 for the channel of command 0x31.
    ASSERT_TRUE(PollAndUpload(*device, Peer(), {0x05, 0x01, 0x67, 0x06, 0x40, 0x31},
                              [&] { return !device->EventsFor(2).empty(); }));
    EXPECT_EQ(device->EventsFor(2).back().kind, 6);
    EXPECT_EQ(device->EventsFor(2).back().raw, 0x20u);
}

TEST(X10Factory, TheTableCreatesBothDrivers)
{
    bus_test::FactoryDrivers made(0x93, 0x94);
    ASSERT_TRUE(made.Ok());
    made.ExpectMade<CX10SerialDevice, CX10TCPDevice>();
}

// The time answer, read at a fixed local time: the check runs in a child process under
// faketime (the real-time clock frozen with -f, the monotonic one left alone).
constexpr const char* kTimeChild = "NERULAN_X10_TIME_CHILD";

TEST_F(X10Serial, TimeRequestAnsweredFromTheLocalTime)
{
    if (std::getenv(kTimeChild))
    {
        Online();
        Peer().Send({0xA5});
        ASSERT_TRUE(Tick(*device, [&] { return Peer().Bytes().size() >= 7; }));
        EXPECT_EQ(Hex(Peer().Bytes()), "9B 09 55 06 28 08 60");
        return;
    }
    if (access("/usr/bin/faketime", X_OK) != 0)
        GTEST_SKIP() << "faketime is not installed (scripts/install-deps.sh)";
    char self[PATH_MAX] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    const char* asan = std::getenv("ASAN_OPTIONS");
    // 10 February (day 40 counted from 0), 13:25:09.
    // The child's output is kept for the failure message.
    char output[] = "/tmp/nerulan-x10-time-XXXXXX";
    const int fd = mkstemp(output);
    ASSERT_GE(fd, 0);
    close(fd);
    const std::string command =
        std::string("env ") + kTimeChild +
        "=1 TZ=UTC FAKETIME_DONT_FAKE_MONOTONIC=1 ASAN_OPTIONS=" + (asan ? asan : "") +
        ":verify_asan_link_order=0 faketime -f '2026-02-10 13:25:09' '" + self +
        "' --gtest_filter=X10Serial.TimeRequestAnsweredFromTheLocalTime > " + output + " 2>&1";
    const int status = std::system(command.c_str());
    std::string text;
    if (FILE* file = std::fopen(output, "r"))
    {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, n);
        std::fclose(file);
    }
    unlink(output);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << "\n" << text;
}
} // namespace
