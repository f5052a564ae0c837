// The device table is read record by record within the file's bytes; a record whose type has no
// driver is read whole and skipped, and a table that ends inside a record stops the start-up.
#include <gtest/gtest.h>

#include "common/InStream.h"
#include "devices/AbstractDevice.h"
#include "devices/DeviceFactory.h"
#include "devices/DeviceParams.h"
#include "devices/buses/helvar/HelvarNetTcpDevice.h"
#include "interface/AbstractDialogSystem.h"
#include "sound/OpenALLoader.h"
#include "support/AppTestSupport.h"

namespace
{
using Device = CInterfaceFileWriter::Device;
using Channel = CInterfaceFileWriter::Channel;

// Records what the reader hands to the device layer; chosen types get a (stand-in) driver.
class DeviceTableDlg : public CClientDlg
{
public:
    DeviceTableDlg() : CClientDlg(nullptr, nullptr) {}
    ~DeviceTableDlg() override { Shutdown(); }

    uint32_t driverType = 0xFFFFFFFF;
    std::vector<std::string> seen;
    // What the stand-in driver knew when its channels began.
    uint16_t idAtBegin = 0;
    bool interfaceAtBegin = true;
    CAbstractDevice* StandIn() { return &m_standIn; }

protected:
    CAbstractDevice* CreateDevice(const DeviceRecord& record, bool& known) override
    {
        known = record.type == driverType;
        seen.push_back("device " + std::to_string(record.id) + " " + std::to_string(record.type) + " " +
                       (record.host ? record.host : "-") + " " + std::to_string(record.port) + " " +
                       (record.parameters ? record.parameters : "-"));
        return known ? &m_standIn : nullptr;
    }
    void BeginChannels(CAbstractDevice* device) override
    {
        seen.push_back("begin");
        idAtBegin = device->GetId();
        interfaceAtBegin = device->GetDialogSystem() != nullptr;
    }
    void AddChannel(CAbstractDevice*, uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t length, const uint8_t* data) override
    {
        seen.push_back("channel " + std::to_string(id) + " " + std::to_string(valueType) + " " +
                       std::to_string(reportKind) + " " + std::to_string(direction) + " " +
                       std::string(reinterpret_cast<const char*>(data), length));
    }
    void EndChannels(CAbstractDevice*) override { seen.push_back("end"); }
    // The stand-ins are no drivers: nothing may disconnect or delete them.
    void DisconnectDevices() override {}
    void DeleteDevices() override
    {
        if (g_pDeviceList == GetDeviceList())
            g_pDeviceList = nullptr;
        if (GetDeviceList())
            GetDeviceList()->RemoveAll();
    }

private:
    // A driver with the base's behaviour only; owned here, never deleted through the list.
    CAbstractDevice m_standIn;
};

// The device table alone, over a stream, read by the window's reader.
class DeviceTableTest : public ::testing::Test
{
protected:
    // The table needs no sound. Without a sound library each back end comes up silent at once;
    // with one, every back end opened and closed a sound device and waited for its threads, and
    // the test that reads the table cut at every byte spent most of its time waiting on those.
    void SetUp() override { SetOpenALLibraryName(kNoSoundLibrary); }
    void TearDown() override { SetOpenALLibraryName(nullptr); }
    static constexpr const char* kNoSoundLibrary = "libnerulan-test-no-sound.so";

    // Opens a file whose header is complete (its back end is real) and reads its device table.
    bool ReadTable(CClientDlg& dialog, const std::vector<uint8_t>& tableAndAfter)
    {
        CInterfaceFileWriter writer;
        // A small design keeps each back end's surfaces small: the table does not depend on them.
        CInterfaceFileWriter::Header header;
        header.designWidth = 64;
        header.designHeight = 48;
        writer.PutHeader(header);
        writer.PutBytes(tableAndAfter.data(), tableAndAfter.size());
        std::string path = m_folder.Write("Main.qvr", writer.Bytes());
        EXPECT_TRUE(dialog.CreateMainWindow());
        EXPECT_TRUE(dialog.LoadInterfaceHeader(path.c_str()));
        return dialog.LoadDevices();
    }

    static std::vector<uint8_t> Table(const std::vector<Device>& devices, uint32_t after)
    {
        CInterfaceFileWriter writer;
        writer.PutDeviceTable(devices);
        writer.PutU32(after);
        return writer.Bytes();
    }

    static Device Sample(uint32_t type)
    {
        Device device;
        device.id = 0x00010005;
        device.type = type;
        device.host = "127.0.0.1";
        device.port = 1319;
        device.parameters = "19200,7,e";
        device.channels = {Channel{3, 6, 1, 0, {'a', 'b'}}, Channel{0xFFFF0001, 8, 2, 2, {}}};
        return device;
    }

    HeadlessSdl m_sdl;
    TempFolder m_folder;
};

TEST_F(DeviceTableTest, RecordsWithoutDriverAreReadWholeAndSkipped)
{
    Device second = Sample(0x61);
    second.id = 9;
    second.host = nullptr;
    second.parameters = nullptr;
    second.channels = {Channel{1, 1, 1, 1, {'x', 'y', 'z'}}};
    DeviceTableDlg dialog;
    ASSERT_TRUE(ReadTable(dialog, Table({Sample(0x02), second}, 0xC0FFEE)));

    EXPECT_EQ(dialog.seen,
              (std::vector<std::string>{"device 65541 2 127.0.0.1 1319 19200,7,e", "device 9 97 - 1319 -"}));
    EXPECT_EQ(std::u16string(dialog.GetErrorText()), u"Wrong controller!");
    EXPECT_EQ(dialog.GetDeviceList()->GetCount(), 0);
    // The next field is read from the right place.
    uint32_t after = 0;
    ASSERT_TRUE(dialog.GetStream()->ReadU32(after));
    EXPECT_EQ(after, 0xC0FFEEu);
    dialog.Shutdown();
}

TEST_F(DeviceTableTest, ADriverGetsItsChannelsInFileOrder)
{
    DeviceTableDlg dialog;
    dialog.driverType = 0x61;
    ASSERT_TRUE(ReadTable(dialog, Table({Sample(0x61), Sample(0x02)}, 1)));
    EXPECT_EQ(dialog.seen, (std::vector<std::string>{"device 65541 97 127.0.0.1 1319 19200,7,e", "begin",
                                                     "channel 3 6 1 0 ab", "channel 4294901761 8 2 2 ", "end",
                                                     "device 65541 2 127.0.0.1 1319 19200,7,e"}));
    EXPECT_EQ(dialog.GetDeviceList()->GetCount(), 1);
    EXPECT_EQ(dialog.GetDeviceList()->GetGrowStep(), 2);
    // Published once the whole table is read.
    EXPECT_EQ(g_pDeviceList, dialog.GetDeviceList());
    // The id is the record's low 16 bits, set before the channels; the interface is handed to
    // the drivers only after the whole table.
    EXPECT_EQ(dialog.idAtBegin, 5);
    EXPECT_EQ(dialog.StandIn()->GetId(), 5);
    EXPECT_FALSE(dialog.interfaceAtBegin);
    ASSERT_NE(dialog.GetBackEnd(), nullptr);
    EXPECT_EQ(dialog.StandIn()->GetDialogSystem(), static_cast<CDeviceEventSink*>(dialog.GetBackEnd()));
    dialog.Shutdown();
}

TEST_F(DeviceTableTest, TextWithoutItsZeroStillEnds)
{
    CInterfaceFileWriter writer;
    writer.PutCount(1);
    writer.PutU32(1);
    writer.PutU32(2);
    writer.PutU16(3);
    writer.PutBytes("abc", 3); // no terminating zero in the file
    writer.PutU16(80);
    writer.PutText("p");
    writer.PutCount(0);
    DeviceTableDlg dialog;
    ASSERT_TRUE(ReadTable(dialog, writer.Bytes()));
    EXPECT_EQ(dialog.seen, (std::vector<std::string>{"device 1 2 abc 80 p"}));
    dialog.Shutdown();
}

TEST_F(DeviceTableTest, EveryCutInsideTheTableStopsTheStartUp)
{
    std::vector<uint8_t> table = Table({Sample(0x02), Sample(0x61)}, 0);
    table.resize(table.size() - 4); // the table alone
    for (size_t size = 0; size < table.size(); ++size)
    {
        DeviceTableDlg dialog;
        dialog.driverType = 0x61;
        std::vector<uint8_t> cut(table.begin(), table.begin() + static_cast<long>(size));
        EXPECT_FALSE(ReadTable(dialog, cut)) << "cut at " << size;
        EXPECT_EQ(std::u16string(dialog.GetErrorText()), u"Interface file has not been found!") << size;
        dialog.Shutdown();
    }
}

TEST_F(DeviceTableTest, LengthsBeyondTheFileAreRefused)
{
    // A host text longer than the bytes left.
    CInterfaceFileWriter longText;
    longText.PutCount(1);
    longText.PutU32(1);
    longText.PutU32(2);
    longText.PutU16(0xFFFF);
    longText.PutBytes("abc", 4);
    // A channel whose data length is beyond the file.
    CInterfaceFileWriter longData;
    longData.PutCount(1);
    longData.PutDevice(Device{1, 2, nullptr, 0, nullptr, {}});
    longData.Truncate(longData.Size() - 2);
    longData.PutCount(1);
    longData.PutU32(1);
    longData.PutU8(0);
    longData.PutU8(0);
    longData.PutU8(0);
    longData.PutU32(0xFFFFFFFF);
    longData.PutBytes("data", 4);
    // More records than the file holds.
    CInterfaceFileWriter moreRecords;
    moreRecords.PutCount(0xFFFF);
    moreRecords.PutDevice(Sample(2));

    for (const CInterfaceFileWriter* writer : {&longText, &longData, &moreRecords})
    {
        DeviceTableDlg dialog;
        EXPECT_FALSE(ReadTable(dialog, writer->Bytes()));
        EXPECT_EQ(std::u16string(dialog.GetErrorText()), u"Interface file has not been found!");
        dialog.Shutdown();
    }
}

// A driver for the factory's rows in these tests: keeps what Configure gave it and its channels.
class CFactoryStandIn : public CAbstractDevice
{
public:
    uint16_t port = 0;
    uint32_t baud = 0;
    char parity = 0;
    std::string text;
    std::vector<uint32_t> channels;
    bool readsReportKind = true;

    bool Configure(DeviceParams* params) override
    {
        port = params->port;
        baud = params->baud;
        parity = params->parity;
        text = params->text ? params->text : "";
        return true;
    }
    bool AddChannel(uint32_t id, uint8_t, uint8_t, uint8_t, uint32_t, const uint8_t*) override
    {
        channels.push_back(id);
        return true;
    }
    bool ReadsReportKind() const override { return readsReportKind; }
};

// A driver that, as several bus drivers, never reads the report kind.
class CKindBlindStandIn : public CFactoryStandIn
{
public:
    CKindBlindStandIn() { readsReportKind = false; }
};

// The window's own record reading with the factory's logic over a table of stand-in drivers; the
// devices are real list entries, deleted by the stop order.
class FactoryDlg : public CClientDlg
{
public:
    FactoryDlg() : CClientDlg(nullptr, nullptr) {}
    ~FactoryDlg() override { Shutdown(); }

    CFactoryStandIn* At(int32_t i) { return GetDeviceList()->Get<CFactoryStandIn>(i); }

protected:
    CAbstractDevice* CreateDevice(const DeviceRecord& record, bool& known) override
    {
        static const DeviceTypeRow rows[] = {
            {0x63, "serial", ParamForm::Serial3, Requirement::ComPort, 9600, MakeDevice<CFactoryStandIn>},
            {0x93, "serial 4800", ParamForm::Serial3, Requirement::ComPort, 4800,
             MakeDevice<CFactoryStandIn>},
            {0xB3, "serial 19200", ParamForm::Serial4, Requirement::ComPort, 19200,
             MakeDevice<CFactoryStandIn>},
            {0x161, "text", ParamForm::WholeText, Requirement::HostPortText, 0, MakeDevice<CFactoryStandIn>},
            {0x21, "blind", ParamForm::Number, Requirement::HostAndPort, 0, MakeDevice<CKindBlindStandIn>},
        };
        return CDeviceFactory(rows).Create(record.type, record.host, record.port, record.parameters, known);
    }
};

TEST_F(DeviceTableTest, TheFactoryCreatesConfiguresAndSkipsByRow)
{
    Device serial{0x00010005, 0x63, nullptr, 3, "19200,7,e", {Channel{1, 6, 1, 0, {}}}};
    Device serialDefaults{6, 0x63, nullptr, 4, nullptr, {}};
    Device x10{7, 0x93, nullptr, 5, nullptr, {}};
    Device helvar{8, 0xB3, nullptr, 6, nullptr, {}};
    // A Lutron record without its login text is skipped, its channels read and dropped.
    Device lutronNoText{9, 0x161, "127.0.0.1", 23, nullptr, {Channel{2, 6, 1, 0, {'z'}}}};
    Device lutron{10, 0x161, "127.0.0.1", 23, "nwk", {}};
    Device unknown{11, 0x02, "127.0.0.1", 80, nullptr, {Channel{3, 6, 1, 0, {'q', 'q'}}}};
    Device after{12, 0x63, nullptr, 1, "9600,8,o", {Channel{4, 6, 1, 0, {}}}};
    FactoryDlg dialog;
    ASSERT_TRUE(ReadTable(
        dialog, Table({serial, serialDefaults, x10, helvar, lutronNoText, lutron, unknown, after}, 0xBEEF)));
    EXPECT_EQ(std::u16string(dialog.GetErrorText()), u"Wrong controller!");
    ASSERT_EQ(dialog.GetDeviceList()->GetCount(), 6);

    EXPECT_EQ(dialog.At(0)->GetId(), 5);
    EXPECT_EQ(dialog.At(0)->port, 3);
    EXPECT_EQ(dialog.At(0)->baud, 19200u);
    EXPECT_EQ(dialog.At(0)->parity, 'e');
    EXPECT_EQ(dialog.At(0)->channels, std::vector<uint32_t>{1});
    // Without a parameter text: each family's baud, and a parity that opens.
    EXPECT_EQ(dialog.At(1)->baud, 9600u);
    EXPECT_EQ(dialog.At(1)->parity, 'n');
    EXPECT_EQ(dialog.At(2)->baud, 4800u);
    EXPECT_EQ(dialog.At(3)->baud, 19200u);
    EXPECT_EQ(dialog.At(4)->GetId(), 10);
    EXPECT_EQ(dialog.At(4)->text, "nwk");
    // The record after the unknown type is read from the right place.
    EXPECT_EQ(dialog.At(5)->GetId(), 12);
    EXPECT_EQ(dialog.At(5)->parity, 'o');
    EXPECT_EQ(dialog.At(5)->channels, std::vector<uint32_t>{4});
    uint32_t next = 0;
    ASSERT_TRUE(dialog.GetStream()->ReadU32(next));
    EXPECT_EQ(next, 0xBEEFu);
    dialog.Shutdown();
}

TEST_F(DeviceTableTest, ADriverThatDoesNotReadTheReportKindKeepsEveryChannel)
{
    // Kind 20 (show a page) needs a text: refused for a driver that posts its channels' report
    // kinds with numbers, kept for one that never reads the kind.
    std::vector<Channel> channels = {Channel{1, 6, 1, 0, {}}, Channel{2, 6, 20, 0, {}},
                                     Channel{3, 6, 45, 0, {}}};
    Device reads{1, 0x63, nullptr, 1, nullptr, channels};
    Device blind{2, 0x21, "127.0.0.1", 502, "1000", channels};
    FactoryDlg dialog;
    ASSERT_TRUE(ReadTable(dialog, Table({reads, blind}, 0)));
    ASSERT_EQ(dialog.GetDeviceList()->GetCount(), 2);
    EXPECT_EQ(dialog.At(0)->channels, std::vector<uint32_t>{1});
    EXPECT_EQ(dialog.At(1)->channels, (std::vector<uint32_t>{1, 2, 3}));
    dialog.Shutdown();
}
} // namespace

namespace
{
// The program's own table: a HelvarNet record over TCP becomes its driver, configured, with the
// record's id and its channels, though the code has no factory of its own.
class RealTableDlg : public CClientDlg
{
public:
    RealTableDlg() : CClientDlg(nullptr, nullptr) {}
    ~RealTableDlg() override { Shutdown(); }
};

TEST_F(DeviceTableTest, TheLoaderBuildsTheHelvarNetTcpDevice)
{
    Device helvarNet;
    helvarNet.id = 0x00020007;
    helvarNet.type = 0x101;
    helvarNet.host = "127.0.0.1";
    helvarNet.port = 50000;
    helvarNet.parameters = "0";
    // Action 16 (periodic), period 1000, command 152 (load level), bit 0, Helvar bus
    // address 127.2.3.4 (cluster, router, subnet, device; not a network host).
    helvarNet.channels = {Channel{3, 6, 1, 0, {16, 0xE8, 0x03, 0, 0, 152, 0, 127, 2, 3, 4, 0, 0, 0, 0, 0}}};
    RealTableDlg dialog;
    ASSERT_TRUE(ReadTable(dialog, Table({helvarNet}, 0)));
    ASSERT_EQ(dialog.GetDeviceList()->GetCount(), 1);
    auto* device = dynamic_cast<CHelvarNetTcpDevice*>(dialog.GetDeviceList()->Get<CAbstractDevice>(0));
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->GetId(), 7);
    EXPECT_NE(device->GetTransport(), nullptr);
    ASSERT_EQ(device->GetPollEntries().size(), 1u);
    EXPECT_EQ(device->GetPollEntries()[0].command, 152);
    EXPECT_EQ(device->GetPollEntries()[0].period, 1000u);
    dialog.Shutdown();
}
} // namespace
