#pragma once
#include <cstdint>
#include <string>

class CInStream;

// Cuts a text protocol's received bytes into lines. It reads from the front of the driver's
// CInStream and consumes what it hands out, so the stream only ever holds an unfinished line.
//
// A line ends at any one of the chosen terminator bytes; the terminator is not part of it. Junk
// is dropped on the way: empty lines (so "\r\n" with both bytes as terminators gives one line),
// NUL bytes inside a line (the line is handed out as a C text too), and a line longer than the
// cap (its bytes are dropped up to and including its terminator, however they arrive).
//
// Use in a driver (transport thread, OnReceive):
//
//     // member: CLineReader m_lines{"\r\n", 1024};  CInStream m_in{CInStream::Refuse, 4096};
//     m_in.Append(bytes, static_cast<int32_t>(length));
//     std::string line;
//     while (m_lines.Next(m_in, line))
//         OnLine(line.c_str());
//
// Keep the stream's capacity above the cap: a stream that refuses bytes loses part of a line.
// The reader has no lock: one thread (the one that appends) uses it. Reset() on a lost link.
class CLineReader
{
public:
    // `terminators`: the bytes that end a line (NUL-terminated list, not empty); `cap`: the longest
    // line kept, in bytes, at least 1.
    CLineReader(const char* terminators, int32_t cap);

    // The next whole line in `line` (terminator and NULs removed); false when the stream holds no
    // whole line yet. Consumes the line, its terminator and every junk byte before it.
    bool Next(CInStream& stream, std::string& line);

    // Forgets a line being dropped (after a lost link, when the stream is emptied as well).
    void Reset() { m_dropping = false; }
    bool IsDropping() const { return m_dropping; }

private:
    bool IsTerminator(uint8_t byte) const;

    std::string m_terminators;
    int32_t m_cap;
    // True while the rest of an over-long line is being dropped up to its terminator.
    bool m_dropping = false;
};
