#pragma once
#include <cstdint>

#include "common/InStream.h"

// Splits a camera's stream of JPEG pictures by their start-of-image marks (FF D8): a picture runs
// from one mark to the byte before the next, so each is handed on when the next one begins (the
// part boundary and head after a picture ride along at its end, which decoders ignore).
//
// 64 KB, keeping the newest bytes: a picture larger than that is never whole here and is not
// shown. Add clears the start found before when the bytes do not fit, since the oldest bytes
// (that start among them) are then dropped.
//
//     stream.Add(bytes, n);
//     const uint8_t* frame; int32_t length;
//     while (stream.NextFrame(frame, length))
//         show(frame, length);            // valid until the next Add
class CHTTPDynamicImageInStream : public CInStream
{
public:
    static constexpr int32_t kCapacity = 65536;

    CHTTPDynamicImageInStream() : CInStream(KeepNewest, kCapacity) {}

    // Empties the stream and forgets the start.
    void Clear();
    void Add(const uint8_t* bytes, int32_t length);
    // The next whole picture; false when none is whole yet.
    bool NextFrame(const uint8_t*& frame, int32_t& length);
    bool StartFound() const { return m_startFound != 0; }
    // Whether bytes were dropped for room since the last Clear (what is kept is no whole body).
    bool Overflowed() const { return m_overflowed != 0; }

private:
    uint8_t m_startFound = 0;
    uint8_t m_overflowed = 0;
    // How far past the start the next start was looked for already (a picture comes in many
    // blocks; each is searched once).
    int32_t m_searched = 1;
};
