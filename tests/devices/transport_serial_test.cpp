// The serial transport on a pseudo-terminal placed as COMn in a test folder: the settings it
// applies (read back with stty), bytes both ways, the hand-over of a send, a missing port and a
// hang-up.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "devices/SerialTransport.h"
#include "devices/support/TransportTestDevice.h"
#include "platform/SerialPort.h"
#include "support/PtyPeer.h"
#include "support/TempFolder.h"

namespace
{
std::string Stty(const std::string& path)
{
    std::string output;
    std::string command = "stty -a -F " + path + " 2>&1";
    if (FILE* pipe = popen(command.c_str(), "r"))
    {
        char buffer[512];
        while (fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        pclose(pipe);
    }
    return output;
}

bool HasWord(const std::string& text, const std::string& word)
{
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
    {
        bool startOk = at == 0 || text[at - 1] == ' ' || text[at - 1] == '\n' || text[at - 1] == ';';
        size_t end = at + word.size();
        bool endOk = end == text.size() || text[end] == ' ' || text[end] == '\n' || text[end] == ';';
        if (startOk && endOk)
            return true;
    }
    return false;
}

class SerialTransport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Ok());
        ASSERT_TRUE(m_peer.Ok());
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        m_home = here;
        // The transport looks for COMn in the current directory.
        ASSERT_EQ(chdir(m_folder.Path().c_str()), 0);
        m_transport = m_device.Attach<CSerialTransport>();
    }
    void TearDown() override
    {
        if (!m_home.empty() && chdir(m_home.c_str()) != 0)
            ADD_FAILURE() << "could not return to " << m_home;
    }

    bool Online(uint32_t baud = 19200, uint8_t dataBits = 8, char parity = 'n')
    {
        return m_transport->Open(nullptr, 3, 0, baud, dataBits, parity) &&
               TickUntil(m_device, 10000,
                         [&] { return m_device.GetState() == CAbstractDevice::StateOnline; });
    }

    TempFolder m_folder;
    PtyPeer m_peer{m_folder.Path(), 3};
    std::string m_home;
    CTransportTestDevice m_device;
    CSerialTransport* m_transport = nullptr;
};

TEST_F(SerialTransport, OpenRefusesSettingsThePortCannotTake)
{
    struct Case
    {
        uint32_t baud;
        uint8_t dataBits;
        char parity;
        bool opens;
    };
    for (const Case& c : {Case{9600, 8, 'n', true}, Case{9600, 7, 'e', true}, Case{9600, 8, 'o', true},
                          Case{9600, 6, 'n', false}, Case{9600, 9, 'n', false}, Case{9600, 8, 'x', false},
                          Case{9600, 8, 'N', false}, Case{9600, 8, 'm', false}, Case{12345, 8, 'n', false}})
        EXPECT_EQ(m_transport->Open(nullptr, 3, 0, c.baud, c.dataBits, c.parity), c.opens)
            << c.baud << " " << int(c.dataBits) << c.parity;
}

TEST_F(SerialTransport, PortNamesAreTheLocalLinkElseTheSystemPort)
{
    EXPECT_EQ(platform::SerialPortPath(3), "COM3");
    EXPECT_EQ(platform::SerialPortPath(4), "/dev/ttyS3");
    EXPECT_EQ(platform::SerialPortPath(12), "/dev/ttyS11");
    // A link that leads nowhere is still this port: it fails, it never falls back to another.
    m_peer.Unplug();
    EXPECT_EQ(platform::SerialPortPath(3), "COM3");
}

TEST_F(SerialTransport, SettingsReachThePort)
{
    ASSERT_TRUE(Online(57600));
    EXPECT_EQ(m_transport->GetPortPath(), "COM3");
    std::string settings = Stty(m_peer.SlavePath());
    EXPECT_NE(settings.find("speed 57600 baud"), std::string::npos) << settings;
    for (const char* word :
         {"cs8", "-parenb", "-cstopb", "-crtscts", "-ixon", "-ixoff", "-icanon", "-echo", "clocal", "cread"})
        EXPECT_TRUE(HasWord(settings, word)) << word << "\n" << settings;
}

// A pseudo-terminal keeps no parity: even parity is accepted and the port opens as 8N1.
TEST_F(SerialTransport, APseudoTerminalOpensWithParityDropped)
{
    ASSERT_TRUE(Online(9600, 7, 'e'));
    std::string settings = Stty(m_peer.SlavePath());
    EXPECT_NE(settings.find("speed 9600 baud"), std::string::npos) << settings;
    EXPECT_TRUE(HasWord(settings, "-parenb")) << settings;
}

TEST_F(SerialTransport, BytesCrossBothWaysOnTheWorker)
{
    m_transport->SetReadInterval(100);
    ASSERT_TRUE(Online());
    ASSERT_TRUE(m_peer.Send(PeerText("STATUS 1\r")));
    ASSERT_TRUE(WaitUntil(10000, [&] { return m_device.Received() == PeerText("STATUS 1\r"); }));
    EXPECT_NE(m_device.ReceivedOn(), std::this_thread::get_id());

    ASSERT_TRUE(m_transport->Send(PeerText("ON 2\r").data(), 5));
    ASSERT_TRUE(m_peer.WaitBytes(5, 10000));
    EXPECT_EQ(m_peer.Bytes(), PeerText("ON 2\r"));

    // Once written, the next block is taken.
    ASSERT_TRUE(WaitUntil(10000, [&] { return m_transport->Send(PeerText("OFF 2\r").data(), 6); }));
    ASSERT_TRUE(m_peer.WaitBytes(11, 10000));
    EXPECT_EQ(m_peer.Bytes(), PeerText("ON 2\rOFF 2\r"));
}

TEST_F(SerialTransport, SendTakesOneBlockOfAtMost513Bytes)
{
    std::vector<uint8_t> block(514, 0x41);
    EXPECT_FALSE(m_transport->Send(block.data(), 10)); // no link yet
    ASSERT_TRUE(Online());
    EXPECT_FALSE(m_transport->Send(block.data(), 514));
    ASSERT_TRUE(m_transport->Send(block.data(), 513));
    // Until the worker has written the first block (after its current read of up to 50 ms), a
    // second one is refused.
    bool refused = !m_transport->Send(block.data(), 1);
    ASSERT_TRUE(m_peer.WaitBytes(refused ? 513 : 514, 10000));
    EXPECT_TRUE(refused);
}

TEST_F(SerialTransport, AMissingPortFailsTheAttemptUntilItIsBack)
{
    m_peer.Unplug();
    ASSERT_TRUE(m_transport->Open(nullptr, 3, 0, 9600, 8, 'n'));
    ASSERT_TRUE(TickUntil(m_device, 10000, [&] { return m_device.connectCalls == 1; }));
    ASSERT_TRUE(
        WaitUntil(10000, [&] { return m_transport->GetLinkState() == CAbstractTransport::LinkClosed; }));
    EXPECT_EQ(m_device.GetState(), CAbstractDevice::StateConnecting);
    m_peer.Plug();
    m_device.Advance(CAbstractDevice::kReconnectWait + 1);
    ASSERT_TRUE(
        TickUntil(m_device, 10000, [&] { return m_device.GetState() == CAbstractDevice::StateOnline; }));
    EXPECT_EQ(m_device.connectCalls, 2);
}

TEST_F(SerialTransport, AHangUpClosesThePortOnTheWorker)
{
    ASSERT_TRUE(Online());
    const int descriptors = OpenDescriptorCount();
    m_peer.Hangup();
    ASSERT_TRUE(WaitUntil(10000, [&] { return m_device.disconnects == 1; }));
    EXPECT_NE(m_device.DisconnectedOn(), std::this_thread::get_id());
    EXPECT_EQ(m_transport->GetLinkState(), CAbstractTransport::LinkClosed);
    EXPECT_TRUE(WaitUntil(10000, [&] { return OpenDescriptorCount() <= descriptors - 3; }));
}

TEST_F(SerialTransport, CloseOnTheTickThreadReportsOnce)
{
    ASSERT_TRUE(Online());
    m_transport->Close();
    m_transport->Close();
    EXPECT_EQ(m_device.disconnects, 1);
    EXPECT_EQ(m_transport->GetLinkState(), CAbstractTransport::LinkClosed);
    EXPECT_FALSE(m_transport->Send(PeerText("x").data(), 1));
    ASSERT_TRUE(
        TickUntil(m_device, 10000, [&] { return m_device.GetState() == CAbstractDevice::StateOnline; }));
}
} // namespace
