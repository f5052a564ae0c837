#pragma once
#include "devices/buses/knx/BAOSInStream.h"

// The receive stream of the 2.x protocol: frames with a header and a total length.
class CBAOS2xInStream : public CAbstractBAOSInStream
{
protected:
    Baos::ScanResult Scan(const uint8_t* bytes, size_t size, Baos::Frame& frame, size_t& next) override
    {
        return Baos::Scan2x(bytes, size, frame, next);
    }
};
