#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "common/StringFunctions.h"
#include "devices/AbstractDevice.h"
#include "devices/AbstractTransport.h"
#include "platform/Clock.h"

namespace
{
// A device that records what its drain carries out, in order.
class CRecordingDevice : public CAbstractDevice
{
public:
    std::vector<CDeviceEvent> seen;
    std::vector<uint32_t> addresses;
    // Payload texts as they were during the call: the drain frees them afterwards.
    std::vector<std::u16string> wideArguments;
    int timerFired = 0;

    void OnTimer() override { ++timerFired; }

protected:
    void DispatchEvent(const CDeviceEvent& event, uint32_t address) override
    {
        seen.push_back(event);
        addresses.push_back(address);
        wideArguments.push_back(event.ArgumentWide() ? event.ArgumentWide() : u"");
    }
};

// A transport whose link state the test sets; it connects nothing.
class CScriptedTransport : public CAbstractTransport
{
public:
    using CAbstractTransport::CAbstractTransport;
    int closes = 0;
    bool Open(const char*, uint16_t, uint16_t, uint32_t, uint8_t, char) override { return true; }
    bool Connect() override { return true; }
    void Close() override
    {
        ++closes;
        RequestState(LinkClosed);
    }
    bool Send(const uint8_t*, uint32_t) override { return true; }
    bool Poll() override { return true; }
};

class CTransportDevice : public CRecordingDevice
{
public:
    CScriptedTransport* transport;
    int connects = 0;
    CTransportDevice()
    {
        transport = new CScriptedTransport(this);
        m_transport = transport;
    }
    ~CTransportDevice() override { delete m_transport; }
    bool Connect() override
    {
        ++connects;
        return StandardConnect();
    }
    bool Update() override { return StandardUpdate(); }
    void SetLastAttempt(uint32_t t) { m_lastAttempt = t; }
};

// The interface a device dispatches to is only compared with null here.
CDeviceEventSink* FakeSystem()
{
    return reinterpret_cast<CDeviceEventSink*>(uintptr_t{0x10});
}
} // namespace

TEST(DeviceRing, KeepsOrderWhileGrowingAndDrainsInOrder)
{
    CRecordingDevice device;
    device.SetDialogSystem(FakeSystem());
    device.SetId(7);
    for (uint32_t i = 0; i < 200; ++i)
        device.PostEvent(CDeviceEvent::Make(i, EventSetItemValue, i * 3));
    EXPECT_EQ(device.GetRingCapacity(), 256);
    EXPECT_EQ(device.GetRingCount(), 200);
    EXPECT_TRUE(device.DispatchEvents());
    ASSERT_EQ(device.seen.size(), 200u);
    for (uint32_t i = 0; i < 200; ++i)
    {
        EXPECT_EQ(device.seen[i].channel, i);
        EXPECT_EQ(device.seen[i].value, i * 3);
        EXPECT_EQ(device.addresses[i], (7u << 16) | i);
    }
    EXPECT_FALSE(device.DispatchEvents());
}

TEST(DeviceRing, ChannelWordKeepsTheRecordOnItsOwnDevice)
{
    CRecordingDevice device;
    device.SetDialogSystem(FakeSystem());
    device.SetId(2);
    device.PostEvent(CDeviceEvent::Make(0x00010005, EventSetItemValue));
    device.DispatchEvents();
    ASSERT_EQ(device.addresses.size(), 1u);
    EXPECT_EQ(device.addresses[0], 0x00020005u);
}

TEST(DeviceRing, GrowsWithTheReadIndexInTheMiddle)
{
    CRecordingDevice device;
    device.SetDialogSystem(FakeSystem());
    for (uint32_t i = 0; i < 40; ++i)
        device.PostEvent(CDeviceEvent::Make(i, EventSetItemValue));
    device.DispatchEvents();
    device.seen.clear();
    // 40 taken: the next 64 wrap around the end of the first array before it must grow.
    for (uint32_t i = 0; i < 100; ++i)
        device.PostEvent(CDeviceEvent::Make(1000 + i, EventSetItemValue));
    EXPECT_EQ(device.GetRingCapacity(), 128);
    device.DispatchEvents();
    ASSERT_EQ(device.seen.size(), 100u);
    for (uint32_t i = 0; i < 100; ++i)
        EXPECT_EQ(device.seen[i].channel, 1000 + i);
}

TEST(DeviceRing, UnknownKindsAreConsumedWithoutEffect)
{
    CRecordingDevice device;
    device.SetDialogSystem(FakeSystem());
    device.PostEvent(CDeviceEvent::Make(1, EventNone));
    device.PostEvent(CDeviceEvent::Make(2, 60));
    device.PostEvent(CDeviceEvent::Make(3, 255));
    EXPECT_TRUE(device.DispatchEvents());
    EXPECT_TRUE(device.seen.empty());
    EXPECT_EQ(device.GetRingCount(), 0);
}

TEST(DeviceRing, FloatValuesTravelAsBits)
{
    CDeviceEvent event = CDeviceEvent::MakeFloat(1, EventSetItemValue, -12.75f);
    EXPECT_EQ(event.ValueAsFloat(), -12.75f);
}

// The drain frees exactly what the poster handed over: a number in a payload-carrying kind is
// never taken for a pointer (ASan would report a bad free), and owned texts are freed (LSan
// would report a leak otherwise).
TEST(DeviceRing, FreesOnlyOwnedPayloads)
{
    {
        CRecordingDevice device;
        device.SetDialogSystem(FakeSystem());
        device.PostEvent(CDeviceEvent::Make(1, EventShowPage, 0x1234));       // a number, not owned
        device.PostEvent(CDeviceEvent::Make(1, EventSetItemText, 0, 0xBEEF)); // likewise
        CDeviceEvent text = CDeviceEvent::Make(2, EventSetItemText, 1);
        text.SetArgumentText(WStrDup(u"Hall"));
        device.PostEvent(text);
        CDeviceEvent popup = CDeviceEvent::Make(3, EventShowPopup);
        popup.SetValueText(StrDup("Lights"));
        popup.SetArgumentText(StrDup("Main"));
        device.PostEvent(popup);
        device.DispatchEvents();
        ASSERT_EQ(device.seen.size(), 4u);
        EXPECT_EQ(device.seen[0].ValueNarrow(), nullptr);
        EXPECT_EQ(device.seen[1].ArgumentWide(), nullptr);
        EXPECT_EQ(device.wideArguments[2], u"Hall");
    }
    {
        // Deleted with records in its ring: their payloads are freed on the way (the base's drain
        // runs after the derived part is gone, so no interface is set here).
        auto* device = new CRecordingDevice;
        CDeviceEvent page = CDeviceEvent::Make(1, EventShowPage);
        page.SetValueText(StrDup("Kitchen"));
        device->PostEvent(page);
        delete device;
    }
}

TEST(DeviceRing, WithoutAnInterfaceRecordsAreStillFreed)
{
    CRecordingDevice device;
    CDeviceEvent page = CDeviceEvent::Make(1, EventShowPage);
    page.SetValueText(StrDup("Kitchen"));
    device.PostEvent(page);
    EXPECT_TRUE(device.DispatchEvents());
    EXPECT_TRUE(device.seen.empty());
}

TEST(DeviceRing, RecordsPostedDuringTheDrainAreTakenInTheSameCall)
{
    class CEchoDevice : public CRecordingDevice
    {
    protected:
        void DispatchEvent(const CDeviceEvent& event, uint32_t address) override
        {
            CRecordingDevice::DispatchEvent(event, address);
            if (event.channel < 3)
                PostEvent(CDeviceEvent::Make(event.channel + 1, EventSetItemValue));
        }
    } device;
    device.SetDialogSystem(FakeSystem());
    device.PostEvent(CDeviceEvent::Make(0, EventSetItemValue));
    device.DispatchEvents();
    EXPECT_EQ(device.seen.size(), 4u);
}

TEST(DeviceRing, ConcurrentPostersLoseNothingAndKeepEachOrder)
{
    CRecordingDevice device;
    device.SetDialogSystem(FakeSystem());
    constexpr int kThreads = 4;
    constexpr uint32_t kEach = 2000;
    std::atomic<bool> done{false};
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back(
            [&device, t]
            {
                for (uint32_t i = 0; i < kEach; ++i)
                    device.PostEvent(CDeviceEvent::Make(static_cast<uint32_t>(t), EventSetItemValue, i));
            });
    std::thread drainer(
        [&]
        {
            while (!done)
                device.DispatchEvents();
            device.DispatchEvents();
        });
    for (auto& p : posters)
        p.join();
    done = true;
    drainer.join();
    ASSERT_EQ(device.seen.size(), kThreads * kEach);
    std::vector<uintptr_t> next(kThreads, 0);
    for (const auto& e : device.seen)
    {
        ASSERT_EQ(e.value, next[e.channel]) << "thread " << e.channel;
        ++next[e.channel];
    }
}

TEST(DeviceTimer, FiresOnceStrictlyAfterItsPeriod)
{
    CRecordingDevice device;
    device.SetTimerPeriod(0);
    device.StartTimer();
    uint32_t start = device.Now();
    while (device.Now() == start)
        device.CheckTimer(); // the same millisecond is not yet "after"
    EXPECT_LE(device.timerFired, 1);
    device.CheckTimer();
    device.CheckTimer();
    EXPECT_EQ(device.timerFired, 1);
    EXPECT_FALSE(device.IsTimerArmed());
}

TEST(DeviceTimer, StoppedTimerNeverFires)
{
    CRecordingDevice device;
    device.SetTimerPeriod(0);
    device.StartTimer();
    device.StopTimer();
    platform::SleepMs(3);
    device.CheckTimer();
    EXPECT_EQ(device.timerFired, 0);
}

TEST(DeviceCycle, StandardCycleConnectsWaitsAndRetries)
{
    CTransportDevice device;
    device.SetDialogSystem(FakeSystem());
    // Idle with a closed link: an attempt starts.
    EXPECT_TRUE(device.Update());
    EXPECT_EQ(device.connects, 1);
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateConnecting);
    EXPECT_EQ(device.transport->GetLinkState(), CAbstractTransport::LinkConnectRequested);
    // Still connecting within the wait: nothing happens.
    EXPECT_FALSE(device.Update());
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateConnecting);
    // The attempt started more than the wait ago: back to idle, then the half-open link is closed,
    // then a new attempt.
    device.SetLastAttempt(device.Now() - CAbstractDevice::kReconnectWait - 1);
    EXPECT_FALSE(device.Update());
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateIdle);
    EXPECT_FALSE(device.Update());
    EXPECT_EQ(device.transport->closes, 1);
    EXPECT_TRUE(device.Update());
    EXPECT_EQ(device.connects, 2);
}

TEST(DeviceCycle, EventsWaitUntilOnline)
{
    CTransportDevice device;
    device.SetDialogSystem(FakeSystem());
    device.PostEvent(CDeviceEvent::Make(5, EventSetItemValue));
    device.Update(); // idle -> connecting
    device.Update();
    EXPECT_TRUE(device.seen.empty());
    device.StandardOnConnected();
    device.Update();
    EXPECT_EQ(device.seen.size(), 1u);
}

TEST(DeviceEventKinds, PayloadKindsAreKnown)
{
    const uint8_t payload[] = {4, 5, 13, 15, 20, 21, 22, 23, 24, 25, 26, 28, 29, 30, 40, 41, 43, 45};
    int count = 0;
    for (int kind = 0; kind < 256; ++kind)
        count += DeviceEventKindNeedsPayload(static_cast<uint8_t>(kind)) ? 1 : 0;
    EXPECT_EQ(count, static_cast<int>(sizeof payload));
    for (uint8_t kind : payload)
        EXPECT_TRUE(DeviceEventKindNeedsPayload(kind)) << int(kind);
}

TEST(DeviceEventKinds, PayloadKindsAreAcceptedOnlyFromDriversThatSupplyThem)
{
    class CTextDevice : public CRecordingDevice
    {
    public:
        CTextDevice() { SupplyPayloadFor(EventShowPage); }
    } texts;
    CRecordingDevice numbers;
    EXPECT_TRUE(numbers.AcceptsReportKind(EventSetItemValue));
    EXPECT_FALSE(numbers.AcceptsReportKind(EventShowPage));
    EXPECT_FALSE(numbers.AcceptsReportKind(EventEditBoxInsertText));
    EXPECT_TRUE(texts.AcceptsReportKind(EventShowPage));
    EXPECT_FALSE(texts.AcceptsReportKind(EventShowPopup));
    EXPECT_TRUE(texts.AcceptsReportKind(EventKindLast));
}
