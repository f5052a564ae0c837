// A device's events reaching a running interface through the drain, device time across the wrap
// of the process clock, and the devices' part in the tick loop and the stop order.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ClientDlg.h"
#include "common/StringFunctions.h"
#include "devices/AbstractDevice.h"
#include "devices/AbstractTransport.h"
#include "devices/support/HeldClock.h"
#include "interface/DialogPage.h"
#include "interface/support/ButtonTestSupport.h"
#include "platform/Clock.h"

using buttontest::Button;
using buttontest::CButtonHarness;
using buttontest::Page;

namespace
{
// A device whose clock the test holds (SetDeviceTime): the clock stands still between two calls,
// so that no check depends on how fast a loaded machine runs the test.
class CClockedDevice : public device_test::CHeldClock<CAbstractDevice>
{
public:
    int fired = 0;
    void OnTimer() override { ++fired; }
    void SetTransport(CAbstractTransport* transport) { m_transport = transport; }
};

class CIdleTransport : public CAbstractTransport
{
public:
    using CAbstractTransport::CAbstractTransport;
    bool Open(const char*, uint16_t, uint16_t, uint32_t, uint8_t, char) override { return true; }
    bool Connect() override { return true; }
    void Close() override { RequestState(LinkClosed); }
    bool Send(const uint8_t*, uint32_t) override { return true; }
    bool Poll() override { return true; }
};

PageRecordWriter::PopupRecord Popup(const char* name)
{
    PageRecordWriter::PopupRecord popup;
    popup.name = name;
    popup.width = 100;
    popup.height = 100;
    popup.state.fillColor = 0x404040FF;
    return popup;
}

std::string ShownOn(CAbstractDialogSystem* system, const char* pageName)
{
    std::string shown;
    CDialogPage* page = system->GetPageObject(system->FindPageByName(pageName));
    for (int32_t i = 0; page && i < page->GetShownCount(); i++)
        shown += std::string(shown.empty() ? "" : " ") + system->GetPopup(page->GetShownAt(i))->m_name;
    return shown;
}

CDeviceEvent WithValueText(CDeviceEvent event, const char* text)
{
    event.SetValueText(StrDup(text));
    return event;
}

class DeviceDrain : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_h.Ready());
        m_h.AddDevice(3); // the loader keeps the button's address only when its device exists
        ASSERT_TRUE(
            m_h.Load({Page("Main", {Button(CDialogPopup::ChildButton, 1, {0x00030005})}), Page("Other")},
                     {Popup("Keys"), Popup("Lights")}));
        m_device.SetId(3);
        m_device.SetDialogSystem(m_h.System());
    }

    CButtonHarness m_h;
    CClockedDevice m_device;
};

TEST_F(DeviceDrain, ValuesStatesAndNavigationReachTheInterface)
{
    CDialogItem* button = m_h.Child(0);
    m_device.PostEvent(CDeviceEvent::MakeFloat(5, EventSetItemValue, 2.5f));
    m_device.PostEvent(CDeviceEvent::MakeFloat(6, EventSetItemValue, 9.0f)); // no item on channel 6
    EXPECT_TRUE(m_device.DispatchEvents());
    EXPECT_EQ(button->GetValue(), 2.5f);
    EXPECT_EQ(button->GetState(), 1);

    // Kind 59 takes the channel word as an item id, whatever the device's id.
    m_device.PostEvent(CDeviceEvent::Make(button->m_id, EventSetItemStateById, 0));
    m_device.DispatchEvents();
    EXPECT_EQ(button->GetState(), 0);

    CDeviceEvent popupOnOther = WithValueText(CDeviceEvent::Make(0, EventShowPopup), "Lights");
    popupOnOther.SetArgumentText(StrDup("Other"));
    m_device.PostEvent(WithValueText(CDeviceEvent::Make(0, EventShowPopup), "Keys"));
    m_device.PostEvent(popupOnOther);
    m_device.DispatchEvents();
    EXPECT_EQ(ShownOn(m_h.System(), "Main"), "Keys");
    EXPECT_EQ(ShownOn(m_h.System(), "Other"), "Lights");

    m_device.PostEvent(WithValueText(CDeviceEvent::Make(0, EventShowPage), "Other"));
    m_device.PostEvent(WithValueText(CDeviceEvent::Make(0, EventTogglePopup), "Keys"));
    m_device.DispatchEvents();
    EXPECT_STREQ(m_h.CurrentPageName(), "Other");
    EXPECT_EQ(ShownOn(m_h.System(), "Other"), "Lights Keys");

    m_device.PostEvent(WithValueText(CDeviceEvent::Make(0, EventHidePopupOnAllPages), "Lights"));
    m_device.DispatchEvents();
    EXPECT_EQ(ShownOn(m_h.System(), "Other"), "Keys");
    m_device.PostEvent(CDeviceEvent::Make(0, EventHideAllPopups));
    m_device.DispatchEvents();
    EXPECT_EQ(ShownOn(m_h.System(), "Main") + ShownOn(m_h.System(), "Other"), "");
}

// Drivers that post a channel's report kind put a number where these kinds carry a text or an
// object: the number must reach the interface as nothing, and must never be freed.
TEST_F(DeviceDrain, NumbersInPayloadKindsChangeNothingAndAreNeverFreed)
{
    for (int kind = 1; kind <= 59; kind++)
    {
        if (!DeviceEventKindNeedsPayload(static_cast<uint8_t>(kind)))
            continue;
        m_device.PostEvent(CDeviceEvent::Make(5, static_cast<uint8_t>(kind), 0x1234, 0x5678, 0x9ABC));
        m_device.PostEvent(CDeviceEvent::Make(5, static_cast<uint8_t>(kind)));
    }
    const int32_t images = m_h.System()->GetImages()->GetCount();
    EXPECT_TRUE(m_device.DispatchEvents());
    EXPECT_STREQ(m_h.CurrentPageName(), "Main");
    EXPECT_EQ(ShownOn(m_h.System(), "Main"), "");
    EXPECT_EQ(m_h.System()->GetImages()->GetCount(), images);
}

TEST_F(DeviceDrain, DeviceDeletedWithEventsDispatchesThemFirst)
{
    auto* device = new CClockedDevice;
    device->SetDialogSystem(m_h.System());
    device->SetId(3);
    device->PostEvent(WithValueText(CDeviceEvent::Make(0, EventShowPage), "Other"));
    device->PostEvent(CDeviceEvent::MakeFloat(5, EventSetItemValue, 1.0f));
    CDialogItem* button = m_h.Child(0);
    delete device;
    EXPECT_STREQ(m_h.CurrentPageName(), "Other");
    EXPECT_EQ(button->GetValue(), 1.0f);
}

// ---- Device time across the wrap of the 32-bit clock -------------------------------------------

TEST(DeviceTime, TimerStartedJustBeforeTheWrapWaitsItsWholePeriod)
{
    CClockedDevice device;
    device.SetDeviceTime(0xFFFFFFF0u);
    device.SetTimerPeriod(100);
    device.StartTimer();
    // start + period wraps to a small number: a plain "now > start + period" would fire at once.
    device.CheckTimer();
    EXPECT_EQ(device.fired, 0);
    // 40 ms later the device clock has wrapped; the period has not passed yet.
    device.SetDeviceTime(0xFFFFFFF0u + 40u);
    EXPECT_LT(device.Now(), 0x100u);
    device.CheckTimer();
    EXPECT_EQ(device.fired, 0);
    // The whole period: still waiting at 100 ms, fired just after it.
    device.SetDeviceTime(0xFFFFFFF0u + 100u);
    device.CheckTimer();
    EXPECT_EQ(device.fired, 0);
    device.SetDeviceTime(0xFFFFFFF0u + 101u);
    device.CheckTimer();
    EXPECT_EQ(device.fired, 1);
}

TEST(DeviceTime, ConnectingDeviceWaitsTheReconnectTimeAcrossTheWrap)
{
    CClockedDevice device;
    auto* transport = new CIdleTransport(&device);
    device.SetTransport(transport);
    device.SetDeviceTime(0xFFFFFFF0u);
    ASSERT_TRUE(device.StandardConnect());
    // Before and after the device clock wraps, the attempt is still young.
    device.StandardUpdate();
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateConnecting);
    device.SetDeviceTime(0xFFFFFFF0u + 40u);
    device.StandardUpdate();
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateConnecting);
    device.SetTransport(nullptr);
    delete transport;
}
} // namespace
