#include "devices/buses/knx/BAOSInStream.h"

bool CAbstractBAOSInStream::ReadFrame(Baos::Frame& frame)
{
    size_t next = 0;
    Baos::ScanResult result = Scan(ReadPos(), static_cast<size_t>(Pending()), frame, next);
    Skip(static_cast<int32_t>(next));
    return result == Baos::ScanResult::Frame;
}
