#pragma once
#include <cstdint>
#include <string>

class CInStream;

// Cuts the master's bytes into lines that end in CR LF. A line of more than the longest line's
// characters, or one holding a bare LF, can be no line of the master's: it is dropped up to and
// including the CR LF that ends it, and its bytes are dropped as they arrive, so the stream never
// holds more than one line's worth. A CR that is not followed by LF is part of the line.
//
//   m_in.Append(bytes, n);
//   std::string line;
//   while (m_lines.Next(m_in, line)) OnLine(line);
//
// One thread (the one that appends) uses it; Reset() when a new link starts.
class CDomintellLineReader
{
public:
    explicit CDomintellLineReader(int32_t maxLine) : m_maxLine(maxLine) {}

    // The next whole line without its CR LF; false when none is buffered yet.
    bool Next(CInStream& stream, std::string& line);
    void Reset() { m_dropping = false; }
    bool IsDropping() const { return m_dropping; }

private:
    int32_t m_maxLine;
    // True while the rest of an unusable line is being dropped up to its CR LF.
    bool m_dropping = false;
};
