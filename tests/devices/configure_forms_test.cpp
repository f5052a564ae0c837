// The shared Configure forms over the real transports and test peers on 127.0.0.1 (and a
// pseudo-terminal as COM3): each form creates its transport, keeps it when Open fails, and the
// device then connects and sends through it. The parameters come from the factory's parsing, as
// they do when the interface file is read.
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "devices/DeviceFactory.h"
#include "devices/SerialTransport.h"
#include "devices/TCPTransport.h"
#include "devices/UDPTransport.h"
#include "devices/support/TransportTestDevice.h"
#include "support/PtyPeer.h"
#include "support/TcpPeer.h"
#include "support/TempFolder.h"
#include "support/UdpPeer.h"

namespace
{
enum class Form
{
    Tcp,
    Udp,
    Serial,
};

// A driver whose Configure is one of the shared forms.
class CFormDevice : public CTransportTestDevice
{
public:
    explicit CFormDevice(Form form) : m_form(form) {}
    bool Configure(DeviceParams* params) override
    {
        switch (m_form)
        {
        case Form::Tcp:
            return OpenTcpTransport(params);
        case Form::Udp:
            return OpenUdpTransport(params);
        case Form::Serial:
            return OpenSerialTransport(params);
        }
        return false;
    }

private:
    Form m_form;
};

DeviceParams Parsed(uint32_t code, const char* host, uint16_t port, const char* text,
                    DeviceParams&& params = {})
{
    const DeviceTypeRow* row = CDeviceFactory().FindRow(code);
    EXPECT_NE(row, nullptr);
    if (row)
        CDeviceFactory::Parse(*row, host, port, text, params);
    return std::move(params);
}

bool Online(CAbstractDevice& device)
{
    device.Connect();
    return TickUntil(device, 10000, [&] { return device.GetState() == CAbstractDevice::StateOnline; });
}

TEST(ConfigureForms, TcpOpensConnectsAndSends)
{
    TcpPeer peer;
    ASSERT_TRUE(peer.Ok());
    CFormDevice device(Form::Tcp);
    DeviceParams params = Parsed(0x61, "127.0.0.1", peer.Port(), nullptr);
    ASSERT_TRUE(device.Configure(&params));
    ASSERT_NE(dynamic_cast<CTCPTransport*>(device.GetTransport()), nullptr);
    ASSERT_TRUE(Online(device));
    const std::vector<uint8_t> bytes = PeerText("PING\r");
    EXPECT_TRUE(device.SendToTransport(bytes.data(), static_cast<uint32_t>(bytes.size())));
    ASSERT_TRUE(peer.WaitBytes(bytes.size(), 10000));
    EXPECT_EQ(peer.Bytes(), bytes);
    device.CloseTransport();
    EXPECT_TRUE(WaitUntil(10000, [&] { return device.disconnects == 1; }));
}

TEST(ConfigureForms, TcpKeepsItsTransportWhenOpenFails)
{
    CFormDevice device(Form::Tcp);
    DeviceParams params = Parsed(0x61, "", 1319, nullptr);
    EXPECT_FALSE(device.Configure(&params));
    EXPECT_NE(device.GetTransport(), nullptr);
    // A second Configure replaces the transport rather than leaking it.
    EXPECT_FALSE(device.Configure(&params));
    EXPECT_NE(device.GetTransport(), nullptr);
}

TEST(ConfigureForms, UdpOpensConnectsAndSends)
{
    UdpPeer peer;
    ASSERT_TRUE(peer.Ok());
    CFormDevice device(Form::Udp);
    DeviceParams params = Parsed(0x62, "127.0.0.1", peer.Port(), nullptr);
    ASSERT_TRUE(device.Configure(&params));
    ASSERT_NE(dynamic_cast<CUDPTransport*>(device.GetTransport()), nullptr);
    ASSERT_TRUE(Online(device));
    const std::vector<uint8_t> bytes = PeerText("status");
    EXPECT_TRUE(device.SendToTransport(bytes.data(), static_cast<uint32_t>(bytes.size())));
    ASSERT_TRUE(peer.WaitBytes(bytes.size(), 10000));
    EXPECT_EQ(peer.Bytes(), bytes);
}

TEST(ConfigureForms, UdpWithAPortAndNoHostOpens)
{
    // A port-only row (SmartBus over UDP) hands the form no host: the form never reads it and
    // opens toward the broadcast address. The link is not brought up here, so nothing is sent.
    CFormDevice device(Form::Udp);
    DeviceParams params = Parsed(0xC2, nullptr, 6000, nullptr);
    EXPECT_EQ(params.host, nullptr);
    EXPECT_TRUE(device.Configure(&params));
    EXPECT_NE(dynamic_cast<CUDPTransport*>(device.GetTransport()), nullptr);
}

class ConfigureSerialForm : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Ok());
        ASSERT_TRUE(m_peer.Ok());
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        m_home = here;
        // The serial transport looks for COM3 in the current directory.
        ASSERT_EQ(chdir(m_folder.Path().c_str()), 0);
    }
    void TearDown() override
    {
        if (!m_home.empty() && chdir(m_home.c_str()) != 0)
            ADD_FAILURE() << "could not return to " << m_home;
    }

    TempFolder m_folder;
    PtyPeer m_peer{m_folder.Path(), 3};
    std::string m_home;
};

TEST_F(ConfigureSerialForm, ADeviceWithoutParametersOpensWithTheDefaults)
{
    // No parameter text: 9600 baud, 8 data bits and no parity, which the transport accepts.
    CFormDevice device(Form::Serial);
    DeviceParams params = Parsed(0x63, nullptr, 3, nullptr);
    ASSERT_TRUE(device.Configure(&params));
    auto* serial = dynamic_cast<CSerialTransport*>(device.GetTransport());
    ASSERT_NE(serial, nullptr);
    ASSERT_TRUE(Online(device));
    EXPECT_EQ(serial->GetPortPath(), "COM3");
    const std::vector<uint8_t> bytes = PeerText("ON\r");
    EXPECT_TRUE(device.SendToTransport(bytes.data(), static_cast<uint32_t>(bytes.size())));
    ASSERT_TRUE(m_peer.WaitBytes(bytes.size(), 10000));
    EXPECT_EQ(m_peer.Bytes(), bytes);
}

TEST_F(ConfigureSerialForm, ARefusedSettingFailsButKeepsTheTransport)
{
    for (const char* text : {"9600, 8, n", "9600,9,n", "9600,8,x"})
    {
        CFormDevice device(Form::Serial);
        DeviceParams params = Parsed(0x63, nullptr, 3, text);
        EXPECT_FALSE(device.Configure(&params)) << text;
        EXPECT_NE(device.GetTransport(), nullptr) << text;
    }
}
} // namespace
