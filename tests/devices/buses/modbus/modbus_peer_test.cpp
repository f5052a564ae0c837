// The codec against libmodbus as the server: requests built here, replies measured and decoded
// here, over TCP on loopback and as RTU over a pty pair.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "devices/buses/modbus/ModbusPdu.h"
#include "devices/buses/modbus/ModbusPollPlanner.h"
#include "devices/buses/modbus/ModbusRTUCodec.h"
#include "devices/buses/modbus/ModbusReplyDecoder.h"
#include "devices/buses/modbus/ModbusTcpCodec.h"
#include "platform/Clock.h"
#include "support/ModbusServerPeer.h"
#include "support/TempFolder.h"

namespace
{
using Bytes = std::vector<uint8_t>;

// One end of a link to the server that speaks one framing.
class Wire
{
public:
    virtual ~Wire()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool Ok() const { return m_fd >= 0; }

    // Sends one request and waits for one whole reply; false when none came within ms.
    bool Ask(uint16_t transactionId, uint8_t unit, const CModbusPdu& pdu, ModbusReply& reply,
             uint32_t ms = 10000)
    {
        const Bytes frame = Encode(transactionId, unit, pdu);
        if (write(m_fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
            return false;
        return Receive(reply, ms);
    }

    bool Receive(ModbusReply& reply, uint32_t ms)
    {
        const uint32_t start = platform::ClockMs();
        for (;;)
        {
            while (!m_buffer.empty())
            {
                const FrameVerdict r = Scan(m_buffer);
                if (r.kind == FrameVerdict::NeedMore)
                    break;
                if (r.kind == FrameVerdict::NotHere)
                {
                    m_buffer.erase(m_buffer.begin());
                    continue;
                }
                const Bytes frame(m_buffer.begin(), m_buffer.begin() + static_cast<size_t>(r.length));
                m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<size_t>(r.length));
                return Decode(frame, reply);
            }
            const uint32_t spent = platform::ElapsedMs(platform::ClockMs(), start);
            if (spent >= ms)
                return false;
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(ms - spent)) <= 0)
                continue;
            uint8_t chunk[512];
            const ssize_t n = read(m_fd, chunk, sizeof chunk);
            if (n <= 0)
                return false;
            m_buffer.insert(m_buffer.end(), chunk, chunk + n);
        }
    }

protected:
    virtual Bytes Encode(uint16_t transactionId, uint8_t unit, const CModbusPdu& pdu) = 0;
    virtual FrameVerdict Scan(const Bytes& bytes) = 0;
    virtual bool Decode(const Bytes& frame, ModbusReply& reply) = 0;

    int m_fd = -1;
    Bytes m_buffer;
};

class TcpWire : public Wire
{
public:
    explicit TcpWire(uint16_t port)
    {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (m_fd >= 0 && connect(m_fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0)
        {
            close(m_fd);
            m_fd = -1;
        }
    }

protected:
    Bytes Encode(uint16_t id, uint8_t unit, const CModbusPdu& pdu) override
    {
        return CModbusTcpCodec::Encode(id, unit, pdu.Data(), pdu.Size());
    }
    FrameVerdict Scan(const Bytes& b) override { return CModbusTcpCodec::Scan(b.data(), b.size()); }
    bool Decode(const Bytes& f, ModbusReply& r) override
    {
        return CModbusTcpCodec::Decode(f.data(), f.size(), r);
    }
};

class RtuWire : public Wire
{
public:
    explicit RtuWire(const std::string& path)
    {
        m_fd = open(path.c_str(), O_RDWR | O_NOCTTY);
        termios tio{};
        if (m_fd >= 0 && tcgetattr(m_fd, &tio) == 0)
        {
            cfmakeraw(&tio);
            cfsetspeed(&tio, B19200);
            tcsetattr(m_fd, TCSANOW, &tio);
        }
    }

protected:
    Bytes Encode(uint16_t, uint8_t unit, const CModbusPdu& pdu) override
    {
        return CModbusRTUCodec::Encode(unit, pdu.Data(), pdu.Size());
    }
    FrameVerdict Scan(const Bytes& b) override { return CModbusRTUCodec::Scan(b.data(), b.size()); }
    bool Decode(const Bytes& f, ModbusReply& r) override
    {
        return CModbusRTUCodec::Decode(f.data(), f.size(), r);
    }
};

CModbusPdu Read(uint8_t table, uint16_t start, uint16_t quantity)
{
    CModbusPdu pdu;
    pdu.Read(table, start, quantity);
    return pdu;
}

enum class Link
{
    Tcp,
    Rtu,
};

constexpr uint8_t kRtuUnit = 7;

class ModbusAgainstLibmodbus : public ::testing::TestWithParam<Link>
{
protected:
    void SetUp() override
    {
        if (GetParam() == Link::Tcp)
        {
            ASSERT_TRUE(m_server.StartTcp({"--silent-unit", "9"})) << m_server.Log();
            m_wire = std::make_unique<TcpWire>(m_server.Port());
            m_unit = 1;
        }
        else
        {
            ASSERT_TRUE(m_folder.Ok());
            ASSERT_TRUE(m_server.StartRtu(m_folder.Path(), 4, kRtuUnit, {})) << m_server.Log();
            m_wire = std::make_unique<RtuWire>(m_server.PanelPort());
            m_unit = kRtuUnit;
        }
        ASSERT_TRUE(m_wire->Ok());
    }

    // Asks and checks that the reply answers the request.
    ModbusReply Ask(const CModbusPdu& pdu, uint16_t id = 1)
    {
        ModbusReply reply;
        EXPECT_TRUE(m_wire->Ask(id, m_unit, pdu, reply)) << m_server.Log();
        EXPECT_TRUE(
            CModbusReplyDecoder::Answers(reply, {id, m_unit, pdu.Function()}, GetParam() == Link::Tcp));
        return reply;
    }

    TempFolder m_folder;
    ModbusServerPeer m_server;
    std::unique_ptr<Wire> m_wire;
    uint8_t m_unit = 0;
};

TEST_P(ModbusAgainstLibmodbus, ReadsOfEveryTable)
{
    std::vector<int16_t> registers;
    ASSERT_TRUE(CModbusReplyDecoder::Registers(Ask(Read(ModbusHoldingRegisters, 0, 3)), 3, registers));
    EXPECT_EQ(registers, (std::vector<int16_t>{1000, 1001, 1002}));
    ASSERT_TRUE(CModbusReplyDecoder::Registers(Ask(Read(ModbusHoldingRegisters, 98, 2)), 2, registers));
    EXPECT_EQ(registers, (std::vector<int16_t>{-32768, -1}));
    ASSERT_TRUE(CModbusReplyDecoder::Registers(Ask(Read(ModbusInputRegisters, 10, 2)), 2, registers));
    EXPECT_EQ(registers, (std::vector<int16_t>{2010, 2011}));

    std::vector<uint8_t> bits;
    ASSERT_TRUE(CModbusReplyDecoder::Bits(Ask(Read(ModbusCoils, 0, 11)), 11, bits));
    EXPECT_EQ(bits, (std::vector<uint8_t>{1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0}));
    ASSERT_TRUE(CModbusReplyDecoder::Bits(Ask(Read(ModbusDiscreteInputs, 3, 3)), 3, bits));
    EXPECT_EQ(bits, (std::vector<uint8_t>{1, 0, 1}));
}

TEST_P(ModbusAgainstLibmodbus, SixHundredInputsInTwoBlocks)
{
    CModbusPollPlanner planner;
    for (uint16_t a = 0; a < 600; ++a)
        planner.Add(m_unit, ModbusDiscreteInputs, a);
    const std::vector<ModbusPollBlock> blocks = planner.Build();
    ASSERT_EQ(blocks.size(), 2u);
    uint16_t id = 1;
    for (const ModbusPollBlock& block : blocks)
    {
        std::vector<uint8_t> bits;
        ASSERT_TRUE(CModbusReplyDecoder::Bits(Ask(Read(block.table, block.start, block.quantity), id++),
                                              block.quantity, bits));
        for (uint16_t n = 0; n < block.quantity; ++n)
            ASSERT_EQ(bits[n], (block.start + n) % 2) << block.start + n;
    }
}

TEST_P(ModbusAgainstLibmodbus, WritesOfACoilAndARegisterReadBack)
{
    CModbusPdu coil;
    coil.WriteCoils(1);
    coil.AddCoil(true);
    EXPECT_EQ(Ask(coil).function, ModbusWriteMultipleCoils);
    CModbusPdu reg;
    reg.WriteRegisters(5);
    reg.AddRegister(57);
    EXPECT_EQ(Ask(reg).function, ModbusWriteMultipleRegisters);

    std::vector<uint8_t> bits;
    ASSERT_TRUE(CModbusReplyDecoder::Bits(Ask(Read(ModbusCoils, 0, 3)), 3, bits));
    EXPECT_EQ(bits, (std::vector<uint8_t>{1, 1, 0}));
    std::vector<int16_t> registers;
    ASSERT_TRUE(CModbusReplyDecoder::Registers(Ask(Read(ModbusHoldingRegisters, 5, 1)), 1, registers));
    EXPECT_EQ(registers, (std::vector<int16_t>{57}));
}

TEST_P(ModbusAgainstLibmodbus, ExceptionsToReadsAndWrites)
{
    const ModbusReply read = Ask(Read(ModbusHoldingRegisters, 200, 1));
    EXPECT_EQ(read.function, 0x83);
    EXPECT_EQ(CModbusReplyDecoder::ExceptionCode(read), 2);
    CModbusPdu reg;
    reg.WriteRegisters(150);
    reg.AddRegister(1);
    const ModbusReply write = Ask(reg);
    EXPECT_EQ(write.function, 0x90);
    EXPECT_EQ(CModbusReplyDecoder::ExceptionCode(write), 2);
}

TEST_P(ModbusAgainstLibmodbus, SilentUnitThenAnsweringAgain)
{
    ModbusReply reply;
    EXPECT_FALSE(m_wire->Ask(1, 9, Read(ModbusHoldingRegisters, 0, 1), reply, 300));
    // On a serial line libmodbus takes the frame after a request to another unit for that unit's
    // reply and drops it, so the next request may go unanswered too: ask again, as a master does
    // after its time-out.
    bool answered = false;
    for (uint16_t id = 2; id < 7 && !answered; ++id)
        answered = m_wire->Ask(id, m_unit, Read(ModbusHoldingRegisters, 1, 1), reply, 1000);
    ASSERT_TRUE(answered) << m_server.Log();
    std::vector<int16_t> registers;
    ASSERT_TRUE(CModbusReplyDecoder::Registers(reply, 1, registers));
    EXPECT_EQ(registers[0], 1001);
}

INSTANTIATE_TEST_SUITE_P(Links, ModbusAgainstLibmodbus, ::testing::Values(Link::Tcp, Link::Rtu),
                         [](const auto& info) { return info.param == Link::Tcp ? "Tcp" : "Rtu"; });

TEST(ModbusTcpAgainstLibmodbus, TransactionIdsAroundTheWrapAreEchoed)
{
    ModbusServerPeer server;
    ASSERT_TRUE(server.StartTcp({}));
    TcpWire wire(server.Port());
    ASSERT_TRUE(wire.Ok());
    for (uint16_t id : {uint16_t(0xFFFE), uint16_t(0xFFFF), uint16_t(1)})
    {
        ModbusReply reply;
        ASSERT_TRUE(wire.Ask(id, 1, Read(ModbusInputRegisters, 0, 1), reply));
        EXPECT_EQ(reply.transactionId, id);
    }
}
} // namespace
