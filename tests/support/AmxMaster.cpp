#include "AmxMaster.h"

#include <chrono>
#include <thread>
#include <utility>

namespace amx_test
{
namespace
{
uint8_t Sum(const uint8_t* bytes, size_t n)
{
    uint8_t sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    return sum;
}

uint16_t Word(const ByteList& b, size_t at)
{
    return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}

ByteList Header(uint16_t command, const ByteList& payload, uint16_t flags, uint16_t id, uint16_t ds,
                uint16_t dd, uint16_t dp, uint16_t ss, uint16_t sd, uint16_t sp)
{
    ByteList out{0x02};
    const uint16_t length = static_cast<uint16_t>(19 + payload.size());
    ByteList words = Words({length, flags, ds, dd, dp, ss, sd, sp});
    out.insert(out.end(), words.begin(), words.end());
    out.push_back(0x0F);
    ByteList tail = Words({id, command});
    out.insert(out.end(), tail.begin(), tail.end());
    out.insert(out.end(), payload.begin(), payload.end());
    out.push_back(Sum(out.data(), out.size()));
    return out;
}

bool Decode(const ByteList& bytes, Message& m)
{
    if (bytes.size() < 23 || bytes[0] != 0x02)
        return false;
    m.bytes = bytes;
    m.flags = Word(bytes, 3);
    m.destinationSystem = Word(bytes, 5);
    m.destinationDevice = Word(bytes, 7);
    m.destinationPort = Word(bytes, 9);
    m.sourceSystem = Word(bytes, 11);
    m.sourceDevice = Word(bytes, 13);
    m.sourcePort = Word(bytes, 15);
    m.hops = bytes[17];
    m.id = Word(bytes, 18);
    m.command = Word(bytes, 20);
    m.payload.assign(bytes.begin() + 22, bytes.end() - 1);
    return true;
}
} // namespace

ByteList Words(std::initializer_list<uint16_t> words)
{
    ByteList out;
    for (uint16_t w : words)
    {
        out.push_back(static_cast<uint8_t>(w >> 8));
        out.push_back(static_cast<uint8_t>(w));
    }
    return out;
}

ByteList Join(std::initializer_list<ByteList> parts)
{
    ByteList out;
    for (const ByteList& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

ByteList Text(const std::string& text)
{
    return ByteList(text.begin(), text.end());
}

ByteList Frame(uint16_t command, const ByteList& payload, uint16_t flags, uint16_t id, uint16_t system,
               uint16_t destinationDevice, uint16_t destinationPort, uint16_t sourceDevice,
               uint16_t sourcePort)
{
    return Header(command, payload, flags, id, system, destinationDevice, destinationPort, system,
                  sourceDevice, sourcePort);
}

ByteList PanelFrame(uint16_t command, const ByteList& payload, uint16_t flags, uint16_t id, uint16_t system,
                    uint16_t panelDevice, uint16_t sourcePort)
{
    return Header(command, payload, flags, id, system, 0, 1, system, panelDevice, sourcePort);
}

void Rc4Envelope(const uint8_t key[16], const uint8_t field[4], uint8_t* bytes, size_t count)
{
    uint8_t s[256];
    for (int k = 0; k < 256; ++k)
        s[k] = static_cast<uint8_t>(k);
    int j = 0;
    for (int k = 0; k < 256; ++k)
    {
        j = (j + s[k] + key[k % 16]) & 0xFF;
        std::swap(s[k], s[j]);
    }
    for (int k = 0; k < 4; ++k)
        s[k] = field[k];
    int i = 0;
    j = 0;
    for (size_t n = 0; n < count; ++n)
    {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        bytes[n] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

std::vector<Message> AmxMaster::Messages() const
{
    const ByteList all = PeerLog::Bytes();
    std::vector<Message> out;
    size_t at = 0;
    while (at + 4 <= all.size())
    {
        const size_t total = static_cast<size_t>(Word(all, at + 1)) + 4;
        if (at + total > all.size())
            break;
        ByteList frame(all.begin() + static_cast<long>(at), all.begin() + static_cast<long>(at + total));
        at += total;
        Message m;
        if (frame[0] == 0x04 && HasKey() && frame.size() > 14)
        {
            ByteList inner(frame.begin() + 13, frame.end() - 1);
            Rc4Envelope(m_key.data(), frame.data() + 9, inner.data(), inner.size());
            if (Decode(inner, m))
            {
                m.enveloped = true;
                out.push_back(m);
            }
        }
        else if (Decode(frame, m))
        {
            out.push_back(m);
        }
        else
        {
            Message raw;
            raw.bytes = frame;
            raw.enveloped = frame[0] == 0x04;
            out.push_back(raw);
        }
    }
    return out;
}

size_t AmxMaster::Leftover() const
{
    const ByteList all = PeerLog::Bytes();
    size_t at = 0;
    while (at + 4 <= all.size())
    {
        const size_t total = static_cast<size_t>(Word(all, at + 1)) + 4;
        if (at + total > all.size())
            break;
        at += total;
    }
    return all.size() - at;
}

std::vector<uint16_t> AmxMaster::Commands() const
{
    std::vector<uint16_t> out;
    for (const Message& m : Messages())
        out.push_back(m.command);
    return out;
}

bool AmxMaster::WaitMessages(size_t count, uint32_t ms) const
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (Messages().size() < count)
    {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool AmxMaster::WaitCommand(uint16_t command, uint32_t ms, size_t from) const
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;)
    {
        const std::vector<Message> all = Messages();
        for (size_t i = from; i < all.size(); ++i)
        {
            if (all[i].command == command)
                return true;
        }
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

ByteList AmxMaster::Envelope(const ByteList& message) const
{
    ByteList out{0x04};
    ByteList words = Words({static_cast<uint16_t>(message.size() + 10), system, 0});
    out.insert(out.end(), words.begin(), words.end());
    out.push_back(0x01);
    out.push_back(0x04);
    const uint8_t field[4] = {0x5B, 0xC6, 0x81, 0x3E};
    out.insert(out.end(), field, field + 4);
    ByteList body = message;
    Rc4Envelope(m_key.data(), field, body.data(), body.size());
    out.insert(out.end(), body.begin(), body.end());
    out.push_back(Sum(out.data(), out.size()));
    return out;
}

uint16_t AmxMaster::Send(uint16_t command, const ByteList& payload, uint16_t flags, uint16_t id,
                         bool encipher)
{
    if (id == 0)
        id = m_nextId++;
    const ByteList message = Frame(command, payload, flags, id, system, panelDevice, panelPort);
    TcpPeer::Send(HasKey() && encipher ? Envelope(message) : message);
    return id;
}
} // namespace amx_test
