#pragma once
// A scripted AMX master on 127.0.0.1 for the link's tests. It frames its own messages (written here
// independently of the panel's codec), reads what the panel sends, and after a login enciphers and
// deciphers envelopes with the key the test gives it.
//
//   AmxMaster master;
//   ... panel connects to master.Port() ...
//   ASSERT_TRUE(master.WaitMessages(1, 3000));
//   master.Send(0x0001, {}, 0x0208);               // the welcome
//   ASSERT_TRUE(master.WaitCommand(0x008C, 3000));
//   master.Messages()                              // every message the panel sent, in order
#include <cstdint>
#include <string>
#include <vector>

#include "TcpPeer.h"

namespace amx_test
{
using ByteList = std::vector<uint8_t>;

struct Message
{
    bool enveloped = false;
    ByteList bytes; // the whole message (deciphered when it came in an envelope)
    uint16_t flags = 0;
    uint16_t destinationSystem = 0, destinationDevice = 0, destinationPort = 0;
    uint16_t sourceSystem = 0, sourceDevice = 0, sourcePort = 0;
    uint8_t hops = 0;
    uint16_t id = 0;
    uint16_t command = 0;
    ByteList payload;
};

// Big-endian words and bytes for payloads.
ByteList Words(std::initializer_list<uint16_t> words);
ByteList Join(std::initializer_list<ByteList> parts);
ByteList Text(const std::string& text);

// A whole 0x02 message from the master's side.
ByteList Frame(uint16_t command, const ByteList& payload, uint16_t flags, uint16_t id, uint16_t system,
               uint16_t destinationDevice, uint16_t destinationPort, uint16_t sourceDevice = 0,
               uint16_t sourcePort = 1);
// The same 22-byte header layout with the panel as the source (for expected bytes).
ByteList PanelFrame(uint16_t command, const ByteList& payload, uint16_t flags, uint16_t id, uint16_t system,
                    uint16_t panelDevice, uint16_t sourcePort = 1);

// The stream cipher of the envelopes: RC4 keyed with 16 bytes, the first four state bytes replaced by
// the envelope's field for every message.
void Rc4Envelope(const uint8_t key[16], const uint8_t field[4], uint8_t* bytes, size_t count);

class AmxMaster : public TcpPeer
{
public:
    uint16_t system = 5;
    uint16_t panelDevice = 10001;
    uint16_t panelPort = 1;

    // Every message the panel has sent so far (envelopes deciphered when a key is set).
    std::vector<Message> Messages() const;
    std::vector<uint16_t> Commands() const;
    bool WaitMessages(size_t count, uint32_t ms) const;
    // Until a message with that command (after `from` messages) has arrived.
    bool WaitCommand(uint16_t command, uint32_t ms, size_t from = 0) const;
    // ByteList left over after the last whole frame (must be none).
    size_t Leftover() const;

    // Sends a message to the panel's device and port (in an envelope once a key is set and
    // `encipher`); the id is the master's own counter unless given.
    uint16_t Send(uint16_t command, const ByteList& payload, uint16_t flags = 0x0200, uint16_t id = 0,
                  bool encipher = true);
    void SetKey(const ByteList& key) { m_key = key; }
    bool HasKey() const { return m_key.size() == 16; }
    // An envelope carrying `message`.
    ByteList Envelope(const ByteList& message) const;

private:
    ByteList m_key;
    uint16_t m_nextId = 0x100;
};
} // namespace amx_test
