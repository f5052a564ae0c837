#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The C-Bus serial interface's packet text, both ways.
//
// Sending: the packet's bytes are built here, then Finish appends the checksum (the two's
// complement of the 8-bit sum) and gives the text: '\', every byte as two upper-case hex digits,
// the confirmation character 'g' and CR.
//
//     CClipsalPacket p;
//     p.Begin(path, pathLength, unit, 0x38);      // header
//     p.Put(0x38); p.Put(0x00); p.Put(0x79); p.Put(1);
//     std::string text;
//     if (p.Finish(text)) send(text)              // "\053800790149g\r"
//
// Receiving: ClipsalDecodeHex turns the digit pairs of a received line into bytes.
class CClipsalPacket
{
public:
    // The longest packet sent, in bytes before the checksum: the text must fit the send stream.
    static constexpr size_t kMaxBytes = 127;
    static constexpr size_t kMaxPath = 7;

    void Reset() { m_bytes.clear(); }
    void Put(uint8_t byte) { m_bytes.push_back(byte); }
    // The header: 3 for application 0, else 6 with a network path, else 5. For 3 and 6 the path
    // bytes follow (none when there is no path), then the unit, and for 3 without a path a 0.
    void Begin(const uint8_t* path, uint8_t pathLength, uint8_t unit, uint8_t application);
    // The packet text with its checksum; false (and no text) when the packet is too long.
    bool Finish(std::string& text) const;
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

    static uint8_t Checksum(const uint8_t* bytes, size_t length);

private:
    std::vector<uint8_t> m_bytes;
};

// 0-15 for 0-9, a-f, A-F; 255 for any other character.
uint8_t ClipsalHexDigit(uint8_t c);
// The bytes of the hex digit pairs of `text` (other characters are passed over; a lone last digit
// is dropped), at most `maxBytes` of them.
std::vector<uint8_t> ClipsalDecodeHex(const uint8_t* text, size_t length, size_t maxBytes);
