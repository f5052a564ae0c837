// Fuzzes the cEMI reader on its own, and checks that what it reads writes back to a frame that
// reads the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "devices/buses/knx/CemiFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t code = 0;
    CemiFrame frame;
    if (!ParseCemiFrame(data, size, code, frame))
        return 0;
    std::vector<uint8_t> written;
    WriteCemiFrame(code, frame, written);
    uint8_t again = 0;
    CemiFrame reread;
    if (!ParseCemiFrame(written.data(), written.size(), again, reread) || reread.data != frame.data ||
        reread.apci != frame.apci || reread.destSub != frame.destSub)
        std::abort();
    return 0;
}
