// The devices in the program's own order: created from the device table, connected once the
// interface is loaded, updated on every tick, reached by the items' commands, disconnected and
// deleted when the window closes; and a quit button that ends the run in the tick of its release.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/ClientDlg.h"
#include "common/InStream.h"
#include "common/NerulanValue.h"
#include "devices/AbstractDevice.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogPopup.h"
#include "tools/writer/ButtonRecordWriter.h"
#include "tools/writer/InterfaceFileWriter.h"
#include "tools/writer/PageRecordWriter.h"

namespace
{
constexpr uint32_t kDriverType = 0x99;

class CLifecycleDevice : public CAbstractDevice
{
public:
    CLifecycleDevice(std::vector<std::string>& log, uint16_t id) : m_log(log) { SetId(id); }
    ~CLifecycleDevice() override { m_log.push_back("delete " + std::to_string(GetId())); }
    bool Connect() override
    {
        m_log.push_back("connect " + std::to_string(GetId()) +
                        (GetDialogSystem() ? "" : " without interface"));
        return true;
    }
    void Disconnect() override { m_log.push_back("disconnect " + std::to_string(GetId())); }
    void BeginChannels() override { m_log.push_back("begin " + std::to_string(GetId())); }
    void EndChannels() override { m_log.push_back("end " + std::to_string(GetId())); }
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction, uint32_t length,
                    const uint8_t* blob) override
    {
        m_log.push_back("channel " + std::to_string(id) + " " + std::to_string(valueType) + " " +
                        std::to_string(reportKind) + " " + std::to_string(direction) + " " +
                        std::string(reinterpret_cast<const char*>(blob), length));
        return true;
    }
    bool Update() override
    {
        ++updates;
        return false;
    }
    bool Press(uint16_t channel, CNerulanValue*) override
    {
        m_log.push_back("press " + std::to_string(GetId()) + ":" + std::to_string(channel));
        return true;
    }
    bool Release(uint16_t channel, CNerulanValue*) override
    {
        m_log.push_back("release " + std::to_string(GetId()) + ":" + std::to_string(channel));
        return true;
    }
    int updates = 0;

private:
    std::vector<std::string>& m_log;
};

// A main window whose device factory makes lifecycle devices for one type code.
class CDeviceClientDlg : public CClientDlg
{
public:
    CDeviceClientDlg() : CClientDlg(nullptr, nullptr) {}
    ~CDeviceClientDlg() override { Shutdown(); }
    std::vector<std::string> log;
    std::vector<CLifecycleDevice*> devices;

protected:
    CAbstractDevice* CreateDevice(const DeviceRecord& record, bool& known) override
    {
        known = record.type == kDriverType;
        if (!known)
            return nullptr;
        auto* device = new CLifecycleDevice(log, static_cast<uint16_t>(record.id));
        devices.push_back(device);
        return device;
    }
};

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += (text.empty() ? "" : ", ") + line;
    return text;
}

class DeviceLifecycle : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("ALSOFT_DRIVERS", "null", 1);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS), 0);
        char folder[] = "/tmp/nerulan-lifecycle-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
        m_path = m_folder + "/Main.qvr";
    }

    void TearDown() override
    {
        std::remove(m_path.c_str());
        rmdir(m_folder.c_str());
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    }

    // Devices 4 (the driver's type), 9 (a type without driver) and 5; a page with a quit button
    // bound to device 4 channel 2 and a button bound to channel 1 of devices 5 and 4.
    void WriteInterface()
    {
        CInterfaceFileWriter writer;
        CInterfaceFileWriter::Header header;
        header.designWidth = 482;
        header.designHeight = 327;
        writer.PutHeader(header);
        CInterfaceFileWriter::Device four{4, kDriverType, "host", 1, nullptr, {}};
        // Channel 3's report kind (show a page) needs a page name that this driver never makes:
        // it is refused at loading.
        four.channels = {{2, 8, 1, 0, {'a', 'b'}}, {3, 0, 20, 0, {}}, {7, 1, 12, 2, {}}};
        CInterfaceFileWriter::Device nine{9, 0x12345, "host", 1, nullptr, {}};
        CInterfaceFileWriter::Device five{5, kDriverType, "host", 1, nullptr, {}};
        writer.PutDeviceTable({four, nine, five});
        writer.PutResourceStart(0, "Main", {});
        writer.PutCount(0);
        writer.PutCount(0);
        writer.PutCount(0);
        if (writer.HasSoundsSection())
            writer.PutCount(0);
        PageRecordWriter::PageRecord page;
        page.name = "Main";
        page.state.fillColor = 0x000000FF;
        PageRecordWriter::ChildRecord quit =
            ButtonRecordWriter::Button(CDialogPopup::ChildButton, 0, 100, 100, 100, 50, {0xFF0000FF});
        quit.item.addresses = {0x00040002};
        quit.item.flipCommands = {{10, nullptr}};
        PageRecordWriter::ChildRecord both =
            ButtonRecordWriter::Button(CDialogPopup::ChildButton, 0, 300, 100, 100, 50, {0x00FF00FF});
        both.item.addresses = {0x00050001, 0x00040001};
        page.children = {quit, both};
        writer.PutCount(1);
        PageRecordWriter::PutPage(writer, page);
        writer.PutCount(0);
        ASSERT_TRUE(writer.Save(m_path));
    }

    std::string m_folder;
    std::string m_path;
};

TEST_F(DeviceLifecycle, DevicesFollowTheRunAndAQuitButtonEndsItInOneTick)
{
    WriteInterface();
    CDeviceClientDlg dialog;
    ASSERT_TRUE(dialog.CreateMainWindow());
    ASSERT_TRUE(dialog.LoadInterfaceHeader(m_path.c_str()));
    ASSERT_TRUE(dialog.LoadDevices());
    ASSERT_EQ(dialog.GetDeviceList()->GetCount(), 2);
    EXPECT_EQ(Joined(dialog.log), "begin 4, channel 2 8 1 0 ab, channel 7 1 12 2 , end 4, begin 5, end 5");
    dialog.log.clear();
    EXPECT_EQ(g_pDeviceList, dialog.GetDeviceList());
    dialog.GetBackEnd()->BeginLoad(dialog.GetStream());

    // Nothing connects while the interface is loading; then every device, in table order.
    for (int i = 0; i < 100 && !dialog.IsLoaded(); i++)
    {
        EXPECT_TRUE(dialog.log.empty());
        dialog.Tick();
    }
    ASSERT_TRUE(dialog.IsLoaded());
    EXPECT_EQ(Joined(dialog.log), "connect 4, connect 5");
    dialog.log.clear();
    dialog.Tick();
    dialog.Tick();
    EXPECT_EQ(dialog.devices[0]->updates, 2);
    EXPECT_EQ(dialog.devices[1]->updates, 2);

    dialog.OnLButtonDown(350, 125);
    dialog.OnLButtonUp(350, 125);
    dialog.Tick();
    EXPECT_EQ(Joined(dialog.log), "press 5:1, press 4:1, release 5:1, release 4:1");
    dialog.log.clear();

    dialog.OnLButtonDown(150, 125);
    dialog.Tick();
    EXPECT_FALSE(dialog.IsQuitRequested());
    dialog.OnLButtonUp(150, 125);
    dialog.Tick();
    EXPECT_TRUE(dialog.IsQuitRequested());
    EXPECT_EQ(dialog.devices[0]->updates, 5);

    dialog.Shutdown();
    EXPECT_EQ(Joined(dialog.log), "press 4:2, release 4:2, disconnect 4, disconnect 5, delete 4, delete 5");
    EXPECT_EQ(g_pDeviceList, nullptr);
}
} // namespace
