#pragma once
#include <cstddef>
#include <cstdint>

#include "common/InStream.h"
#include "devices/buses/knx/KnxNetIpFrame.h"

// The receive stream of the tunnelling link: finds whole KNXnet/IP frames in what has arrived.
class CEIBInStream : public CInStream
{
public:
    static constexpr int32_t kInitialCapacity = 1024;

    CEIBInStream() : CInStream(Grow, kInitialCapacity) {}

    // True when a whole frame was found at or after the read position. The read position is then
    // behind the whole frame (header + total length), so that no handler's stopping point and no
    // unknown service's body decides where the next scan starts; body points at the bytes behind
    // the header and stays valid until the next Append or Reset. Bytes that cannot begin a frame
    // are dropped; a frame still on its way is kept from its header on.
    bool ReadFrame(KnxNetIp::FrameSpan& span, const uint8_t*& body, size_t& bodyLength);
};
