#pragma once
#include <cstdint>

class CInStream;

// What a protocol's codec says about the bytes at one position of a receive stream.
struct FrameVerdict
{
    enum Kind : uint8_t
    {
        NeedMore = 0, // this may be the start of a frame whose bytes have not all arrived
        NotHere = 1,  // no frame starts at this byte
        Frame = 2,    // a whole, valid frame of `length` bytes starts here
    };
    Kind kind = NotHere;
    int32_t length = 0;

    static FrameVerdict More() { return {NeedMore, 0}; }
    static FrameVerdict None() { return {NotHere, 0}; }
    static FrameVerdict Whole(int32_t length) { return {Frame, length}; }
};

// A protocol's framing, as the scanner asks it. Codecs depend on common/ only and are tested from
// byte tables.
class CAbstractFrameCodec
{
public:
    virtual ~CAbstractFrameCodec() = default;
    // Judges the `available` bytes at `bytes` (at least 1) as the start of a frame. Must read no
    // byte at or beyond bytes[available]; a Frame's length must be 1 to `available`.
    virtual FrameVerdict Check(const uint8_t* bytes, int32_t available) const = 0;
    // The longest frame the protocol has: a start byte followed by more than this many bytes
    // without forming a frame is taken for junk.
    virtual int32_t MaxFrameLength() const = 0;
};

// Finds whole frames in a receive stream for a binary protocol, passing over junk.
//
// From the read position, each byte is offered to the codec as a frame start. Bytes the codec
// calls NotHere are dropped. At a NeedMore the scanner waits for more bytes, unless more than the
// largest frame is already buffered from that start byte on: then that byte is junk too (a false
// start byte with a length that never completes cannot stall the link). A frame is handed out
// and consumed together with the junk before it.
//
// Use in a driver (transport thread, OnReceive):
//
//     // members: CMyCodec m_codec; CFrameScanner m_scanner{m_codec};
//     //          CInStream m_in{CInStream::Refuse, 2 * kMaxFrame};
//     m_in.Append(bytes, static_cast<int32_t>(length));
//     const uint8_t* frame; int32_t n;
//     while (m_scanner.Next(m_in, frame, n))
//         OnFrame(frame, n);  // the bytes stay valid until the next Append
//
// The stream's capacity must exceed MaxFrameLength(), else a frame never fits. No lock: the
// thread that appends is the one that scans.
class CFrameScanner
{
public:
    explicit CFrameScanner(const CAbstractFrameCodec& codec) : m_codec(codec) {}

    // True with the next frame's bytes (pointing into the stream) and length; false when no whole
    // frame is buffered (junk seen so far is consumed, a possible frame start is kept).
    bool Next(CInStream& stream, const uint8_t*& frame, int32_t& length);

private:
    const CAbstractFrameCodec& m_codec;
};
