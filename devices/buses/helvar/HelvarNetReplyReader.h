#pragma once
#include <cstdint>
#include <string>

class CInStream;

// Finds the routers' replies in the received bytes: from a start character ('?' or '!', or '<' on
// the internal link) to the next '#'. A start character before the '#' begins the reply anew.
// Bytes that can begin no reply are dropped at once, and a reply that grows past the longest one
// without its '#' is dropped from its start character on, so nothing stays in the stream for ever.
//
//   m_in.Append(bytes, n);
//   std::string reply;
//   while (m_replies.Next(m_in, reply)) Apply(reply);   // "?V:1,C:152,@1.2.3.4=75#"
//
// One thread (the one that appends) uses it.
class CHelvarNetReplyReader
{
public:
    explicit CHelvarNetReplyReader(bool internal) : m_internal(internal) {}

    // The next reply, its start character and '#' included; false when none is whole yet.
    bool Next(CInStream& stream, std::string& reply);
    bool IsStart(uint8_t byte) const;

private:
    bool m_internal;
};
