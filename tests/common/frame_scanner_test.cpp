// The frame scanner from byte tables, with a small codec of the usual shape: a start byte 0xAA,
// a length byte counting the whole frame, the payload, and an 8-bit sum of everything before it.
#include "common/FrameScanner.h"
#include "common/InStream.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

class CSumCodec : public CAbstractFrameCodec
{
public:
    static constexpr int32_t kMax = 8;
    FrameVerdict Check(const uint8_t* bytes, int32_t available) const override
    {
        if (bytes[0] != 0xAA)
            return FrameVerdict::None();
        if (available < 2)
            return FrameVerdict::More();
        int32_t length = bytes[1];
        if (length < 3)
            return FrameVerdict::None();
        // A length beyond the largest frame is read as "more": the scanner must give up on it.
        if (available < length)
            return FrameVerdict::More();
        uint8_t sum = 0;
        for (int32_t i = 0; i < length - 1; ++i)
            sum = static_cast<uint8_t>(sum + bytes[i]);
        return sum == bytes[length - 1] ? FrameVerdict::Whole(length) : FrameVerdict::None();
    }
    int32_t MaxFrameLength() const override { return kMax; }
};

// A frame of the codec around the payload.
Bytes Frame(const Bytes& payload)
{
    Bytes frame = {0xAA, static_cast<uint8_t>(payload.size() + 3)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    uint8_t sum = 0;
    for (uint8_t b : frame)
        sum = static_cast<uint8_t>(sum + b);
    frame.push_back(sum);
    return frame;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct ScanCase
{
    const char* name;
    std::vector<Bytes> chunks;
    std::vector<Bytes> frames;
    int32_t pendingAfter;
};

TEST(FrameScanner, Table)
{
    const Bytes a = Frame({1, 2});
    const Bytes b = Frame({3});
    const std::vector<ScanCase> cases = {
        {"two frames in one chunk", {Join({a, b})}, {a, b}, 0},
        {"junk before a frame", {Join({{0x00, 0x13, 0x55}, a})}, {a}, 0},
        {"frame split byte by byte", {{a[0]}, {a[1]}, {a[2]}, {a[3]}, {a[4]}}, {a}, 0},
        {"bad sum: the start byte is junk, the next frame is found",
         {Join({{0xAA, 0x04, 0x01, 0x00}, b})},
         {b},
         0},
        {"unfinished frame kept", {{0x01, 0xAA, 0x05, 0x01}}, {}, 3},
        // A start byte whose length promises more than the largest frame: once more than that
        // follows it with no frame, it is dropped and the frame behind it is found.
        {"false start with a huge length", {{0xAA, 0xF0}, {0, 0, 0, 0}, Join({{0, 0, 0}, a})}, {a}, 0},
        {"false start waits while it could still be a frame", {{0xAA, 0xF0, 0, 0, 0, 0, 0, 0}}, {}, 8},
        // Junk start bytes whose length bytes promise long frames hold the frame behind them
        // only until the largest frame has passed.
        {"junk start bytes ahead of frames", {Join({{0xAA, 0xAA}, b}), b}, {b, b}, 0},
    };
    for (const ScanCase& c : cases)
    {
        CSumCodec codec;
        CFrameScanner scanner(codec);
        CInStream stream(CInStream::Refuse, 64);
        std::vector<Bytes> frames;
        for (const Bytes& chunk : c.chunks)
        {
            stream.Append(chunk.data(), static_cast<int32_t>(chunk.size()));
            const uint8_t* frame = nullptr;
            int32_t length = 0;
            while (scanner.Next(stream, frame, length))
                frames.emplace_back(frame, frame + length);
        }
        EXPECT_EQ(frames, c.frames) << c.name;
        EXPECT_EQ(stream.Pending(), c.pendingAfter) << c.name;
    }
}

// A codec that claims more bytes than it was shown must not make the scanner read past the stream.
class CLyingCodec : public CAbstractFrameCodec
{
public:
    FrameVerdict Check(const uint8_t*, int32_t available) const override
    {
        return FrameVerdict::Whole(available + 5);
    }
    int32_t MaxFrameLength() const override { return 4; }
};

TEST(FrameScanner, AFrameLongerThanTheBytesIsJunk)
{
    CLyingCodec codec;
    CFrameScanner scanner(codec);
    CInStream stream(CInStream::Refuse, 16);
    stream.Append("abc", 3);
    const uint8_t* frame = nullptr;
    int32_t length = 0;
    EXPECT_FALSE(scanner.Next(stream, frame, length));
    EXPECT_EQ(stream.Pending(), 0);
}
} // namespace
