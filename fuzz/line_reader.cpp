// Feeds arbitrary bytes, in chunks whose sizes the input chooses, to the line reader over a
// receive stream: every line it hands out must be within the cap, hold no terminator and no NUL,
// and the stream must never hold more than it was given.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/InStream.h"
#include "common/LineReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const int32_t cap = 1 + data[0] % 64;
    const char* terminators = data[1] & 1 ? "\r\n" : ";";
    CLineReader reader(terminators, cap);
    CInStream stream(CInStream::Refuse, 256);
    size_t at = 2;
    std::string line;
    while (at < size)
    {
        size_t chunk = 1 + data[at] % 32;
        ++at;
        if (chunk > size - at)
            chunk = size - at;
        stream.Append(data + at, static_cast<int32_t>(chunk));
        at += chunk;
        while (reader.Next(stream, line))
        {
            if (line.empty() || static_cast<int32_t>(line.size()) > cap)
                abort();
            for (char c : line)
            {
                if (c == 0 || std::string(terminators).find(c) != std::string::npos)
                    abort();
            }
        }
        if (stream.Pending() < 0 || stream.Pending() > stream.Capacity())
            abort();
    }
    return 0;
}
