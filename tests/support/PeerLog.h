#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

// What a test peer received, with times, and the answers it gives on cue. The base of TcpPeer,
// UdpPeer and PtyPeer (see their headers for examples).
//
// Times are the process clock (platform::ClockMs). Every member may be called from the test's
// thread while the peer's own thread records.
class PeerLog
{
public:
    struct Chunk
    {
        uint32_t timeMs = 0;
        std::vector<uint8_t> bytes;
        // UDP: the sender's port; 0 elsewhere.
        uint16_t fromPort = 0;
    };

    PeerLog() = default;
    virtual ~PeerLog() = default;
    PeerLog(const PeerLog&) = delete;
    PeerLog& operator=(const PeerLog&) = delete;

    // Each read (or datagram) as it came.
    std::vector<Chunk> Chunks() const;
    // Everything received, joined.
    std::vector<uint8_t> Bytes() const;
    size_t ChunkCount() const;
    // Wait until at least that many bytes or chunks are in; false after `ms`.
    bool WaitBytes(size_t count, uint32_t ms) const;
    bool WaitChunks(size_t count, uint32_t ms) const;
    void Clear();

    // Scripted answer: each time the bytes received since the last match contain `when`, the
    // peer sends `answer` back (to the sender of the datagram for UDP). Rules are tried in order.
    void AddReply(const std::vector<uint8_t>& when, const std::vector<uint8_t>& answer);

protected:
    // The peer's thread: records the bytes and returns the answers now due.
    std::vector<std::vector<uint8_t>> Record(const uint8_t* bytes, size_t length, uint16_t fromPort = 0);

private:
    struct Reply
    {
        std::vector<uint8_t> when;
        std::vector<uint8_t> answer;
    };

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::vector<Chunk> m_chunks;
    size_t m_byteCount = 0;
    std::vector<uint8_t> m_unmatched;
    std::vector<Reply> m_replies;
};

// Bytes from a text, for scripts: PeerText("PING\r").
std::vector<uint8_t> PeerText(const char* text);
// `count` bytes of noise, the same for the same seed.
std::vector<uint8_t> PeerGarbage(size_t count, uint32_t seed = 1);
