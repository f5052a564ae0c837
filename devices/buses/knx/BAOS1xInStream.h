#pragma once
#include "devices/buses/knx/BAOSInStream.h"

// The receive stream of the 1.x protocol: bare frames without a length.
class CBAOS1xInStream : public CAbstractBAOSInStream
{
protected:
    Baos::ScanResult Scan(const uint8_t* bytes, size_t size, Baos::Frame& frame, size_t& next) override
    {
        return Baos::Scan1x(bytes, size, frame, next);
    }
};
