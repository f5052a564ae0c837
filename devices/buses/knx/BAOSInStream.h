#pragma once
#include <cstdint>

#include "common/InStream.h"
#include "devices/buses/knx/BaosFrame.h"

// The receive stream of an object-server link; each version finds its own frames.
class CAbstractBAOSInStream : public CInStream
{
public:
    static constexpr int32_t kInitialCapacity = 4096;

    CAbstractBAOSInStream() : CInStream(Grow, kInitialCapacity) {}

    // True when a frame was taken; the read position is behind it. The item values point into the
    // stream and stay valid until the next Append or Reset. Bytes that form no frame are dropped;
    // a frame on its way is kept.
    bool ReadFrame(Baos::Frame& frame);

protected:
    virtual Baos::ScanResult Scan(const uint8_t* bytes, size_t size, Baos::Frame& frame, size_t& next) = 0;
};
