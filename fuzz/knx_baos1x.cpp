// Fuzzes the object-server 1x receive path: frames found in arbitrary bytes and their datapoint
// values decoded for every value type.
#include <cstddef>
#include <cstdint>

#include "devices/buses/knx/BAOS1xInStream.h"
#include "devices/buses/knx/KnxValueCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte splits the input into two receives, so that frames across receives are met.
    size_t split = size ? data[0] % (size + 1) : 0;
    CBAOS1xInStream stream;
    for (auto [from, to] : {std::pair<size_t, size_t>{0, split}, std::pair<size_t, size_t>{split, size}})
    {
        stream.Append(data + from, static_cast<int32_t>(to - from));
        Baos::Frame frame;
        while (stream.ReadFrame(frame))
            for (const Baos::Item& item : frame.items)
                for (uint8_t type : {1, 2, 3, 4, 5, 6, 7, 8, 12, 14, 18})
                {
                    KnxDecodedValue value;
                    KnxDecodeDatapointValue(type, 3, item.value, item.length, value);
                }
    }
    return 0;
}
