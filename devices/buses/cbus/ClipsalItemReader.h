#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class CInStream;

// One thing the C-Bus interface said.
struct ClipsalItem
{
    enum Kind : uint8_t
    {
        Confirmation = 1, // a confirmation character (the command's result is not used)
        AtLine = 2,       // a line starting with '@' (the interface was reset; no bytes)
        Monitored = 3,    // a monitored SAL packet, as bytes
        StatusReply = 4,  // a status reply, as bytes
    };
    Kind kind = Confirmation;
    std::vector<uint8_t> bytes;
};

// Cuts what the C-Bus interface sends into items, from the front of the receive stream.
//
// - a character g to z starts a confirmation, which one of . # $ % ' ends;
// - a '~' line is dropped up to its CR; an '@' line is an item once its CR is in;
// - a hex pair of at most 6 starts a monitored packet, one of 0x86 or more (not 0xFF) a status
//   reply; the packet is taken at its CR LF, its digit pairs decoded into bytes (a lone CR before
//   the CR LF drops the text up to the CR LF);
// - every other byte is dropped.
//
// Text that never forms an item cannot pile up: an unfinished line longer than kMaxLine is dropped
// up to its next CR or LF.
//
//     while (reader.Next(m_in, item)) Handle(item);
//
// No lock: the thread that appends to the stream is the one that reads.
class CClipsalItemReader
{
public:
    // The longest line kept (a packet of kMaxPacket bytes is twice as many digits).
    static constexpr int32_t kMaxLine = 600;
    static constexpr size_t kMaxPacket = 256;

    bool Next(CInStream& stream, ClipsalItem& item);
    void Reset()
    {
        m_confirmationPending = false;
        m_dropping = false;
    }

private:
    bool m_confirmationPending = false;
    // True while an over-long line is dropped up to its CR or LF.
    bool m_dropping = false;
};
