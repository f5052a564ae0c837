#include "devices/buses/knx/EIBInStream.h"

bool CEIBInStream::ReadFrame(KnxNetIp::FrameSpan& span, const uint8_t*& body, size_t& bodyLength)
{
    body = nullptr;
    bodyLength = 0;
    KnxNetIp::ScanResult result = KnxNetIp::ScanFrame(ReadPos(), static_cast<size_t>(Pending()), span);
    Skip(static_cast<int32_t>(span.start));
    if (result != KnxNetIp::ScanResult::Frame)
        return false;
    body = ReadPos() + KnxNetIp::kHeaderSize;
    bodyLength = span.totalLength - KnxNetIp::kHeaderSize;
    Skip(span.totalLength);
    return true;
}
