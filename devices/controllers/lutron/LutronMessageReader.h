#pragma once
#include <cstdint>
#include <string>

#include "common/InStream.h"
#include "common/LineReader.h"
#include "devices/controllers/lutron/LutronCodec.h"

// Cuts what the Lutron system sends into messages: report lines ("~" up to CR) and the login
// keywords. A report line longer than CLutronCodec::kMaxLine is dropped whole. The login prompt
// comes without a line end, so the unfinished text is searched as well; a keyword split across
// two receives stays buffered until its rest arrives.
//
// One thread (the one that appends) uses it.
class CLutronMessageReader
{
public:
    void Append(const uint8_t* bytes, int32_t length);
    // The next message; false when none is buffered whole.
    bool Next(LutronMessage& message);
    // Forgets everything buffered (a new link).
    void Reset();
    int32_t Pending() const { return m_in.Pending(); }

private:
    bool FromLine(const std::string& line, LutronMessage& message) const;
    bool FromUnfinished(LutronMessage& message);

    CInStream m_in{CInStream::Grow, 1024};
    CLineReader m_lines{"\r\n", CLutronCodec::kMaxLine};
};
