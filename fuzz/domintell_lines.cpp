// Feeds arbitrary bytes, in chunks whose sizes the input chooses, to the Domintell line reader
// and every line it hands out to the status reader: a line is never longer than the longest line
// and holds no CR LF or bare LF, the stream never holds more than a line's worth beyond the chunk
// just given, and every status value names a module of the table.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/InStream.h"
#include "devices/controllers/domintell/DomintellCodec.h"
#include "devices/controllers/domintell/DomintellLineReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CInStream stream(CInStream::Refuse, 256);
    CDomintellLineReader reader(CDomintellCodec::kMaxLine);
    std::string line;
    std::vector<DomintellReport> reports;
    size_t at = 0;
    while (at < size)
    {
        size_t chunk = 1 + data[at] % 64;
        ++at;
        if (chunk > size - at)
            chunk = size - at;
        if (!stream.Append(data + at, static_cast<int32_t>(chunk)))
            abort();
        at += chunk;
        while (reader.Next(stream, line))
        {
            if (line.size() > static_cast<size_t>(CDomintellCodec::kMaxLine) ||
                line.find('\n') != std::string::npos)
                abort();
            reports.clear();
            CDomintellCodec::ParseStatus(line.data(), line.size(), reports);
            for (const DomintellReport& r : reports)
            {
                if (!CDomintellCodec::ModuleCode(r.moduleType) || r.serial > 0xFFFFFF || r.value != r.value)
                    abort();
            }
        }
        if (stream.Pending() > CDomintellCodec::kMaxLine + 2)
            abort();
    }
    return 0;
}
