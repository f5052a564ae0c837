#include "common/FrameScanner.h"

#include "common/InStream.h"

bool CFrameScanner::Next(CInStream& stream, const uint8_t*& frame, int32_t& length)
{
    const uint8_t* bytes = stream.ReadPos();
    int32_t pending = stream.Pending();
    int32_t largest = m_codec.MaxFrameLength();
    int32_t start = 0;
    for (; start < pending; ++start)
    {
        int32_t available = pending - start;
        FrameVerdict verdict = m_codec.Check(bytes + start, available);
        if (verdict.kind == FrameVerdict::Frame && verdict.length > 0 && verdict.length <= available)
        {
            frame = bytes + start;
            length = verdict.length;
            stream.Skip(start + verdict.length);
            return true;
        }
        // A frame length the codec could not have seen is a fault of the codec: treat it as junk
        // rather than read beyond the stream.
        if (verdict.kind == FrameVerdict::NeedMore && available <= largest)
            break;
    }
    stream.Skip(start);
    return false;
}
