#include "devices/controllers/xbmc/XBMCChannel.h"

#include "common/BlobReader.h"

void CXBMCChannel::Load(const uint8_t* blob, uint32_t length)
{
    if (!blob || length == 0)
        return;
    CBlobReader r(blob, length);
    uint8_t kind = 0;
    uint8_t xbmcKind = 0;
    r.U8(kind);
    m_kind = kind;
    if (!r.U8(xbmcKind))
        return;
    m_xbmcKind = xbmcKind;
    if (xbmcKind == XBMCKindVolume || xbmcKind == XBMCKindSeek)
    {
        uint8_t mode = 0;
        if (!r.U8(mode))
            return;
        m_mode = mode;
        int32_t fixedValue = 0;
        if (mode == 1 && r.I32LE(fixedValue))
            m_lastValue = fixedValue;
        return;
    }
    if (xbmcKind != XBMCKindCommand)
        return;
    uint32_t eventChannel = 0;
    uint32_t eventValue = 0;
    uint8_t repeat = 0;
    uint32_t byteLength = 0;
    if (!(r.U32LE(eventChannel) && r.U32LE(eventValue) && r.U8(repeat) && r.U32LE(byteLength)))
        return;
    m_eventChannel = eventChannel;
    m_eventValue = eventValue;
    m_repeatCount = repeat;
    // The length comes from the file: compared with what is left, never added to an offset.
    if (byteLength <= r.Remaining())
        SetBytes(r.Here(), byteLength);
}
