#include "PeerLog.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/Clock.h"

std::vector<PeerLog::Chunk> PeerLog::Chunks() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_chunks;
}

std::vector<uint8_t> PeerLog::Bytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<uint8_t> all;
    for (const Chunk& chunk : m_chunks)
        all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
    return all;
}

size_t PeerLog::ChunkCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_chunks.size();
}

bool PeerLog::WaitBytes(size_t count, uint32_t ms) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_arrived.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_byteCount >= count; });
}

bool PeerLog::WaitChunks(size_t count, uint32_t ms) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_arrived.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_chunks.size() >= count; });
}

void PeerLog::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_chunks.clear();
    m_byteCount = 0;
    m_unmatched.clear();
}

void PeerLog::AddReply(const std::vector<uint8_t>& when, const std::vector<uint8_t>& answer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_replies.push_back({when, answer});
}

std::vector<std::vector<uint8_t>> PeerLog::Record(const uint8_t* bytes, size_t length, uint16_t fromPort)
{
    std::vector<std::vector<uint8_t>> answers;
    std::lock_guard<std::mutex> lock(m_mutex);
    Chunk chunk;
    chunk.timeMs = platform::ClockMs();
    chunk.bytes.assign(bytes, bytes + length);
    chunk.fromPort = fromPort;
    m_chunks.push_back(std::move(chunk));
    m_byteCount += length;
    m_unmatched.insert(m_unmatched.end(), bytes, bytes + length);
    for (bool matched = true; matched && !m_replies.empty();)
    {
        matched = false;
        for (const Reply& reply : m_replies)
        {
            if (reply.when.empty())
                continue;
            auto at =
                std::search(m_unmatched.begin(), m_unmatched.end(), reply.when.begin(), reply.when.end());
            if (at == m_unmatched.end())
                continue;
            answers.push_back(reply.answer);
            m_unmatched.erase(m_unmatched.begin(), at + static_cast<std::ptrdiff_t>(reply.when.size()));
            matched = true;
            break;
        }
    }
    m_arrived.notify_all();
    return answers;
}

std::vector<uint8_t> PeerText(const char* text)
{
    return std::vector<uint8_t>(text, text + std::strlen(text));
}

std::vector<uint8_t> PeerGarbage(size_t count, uint32_t seed)
{
    std::vector<uint8_t> bytes(count);
    uint32_t state = seed ? seed : 1;
    for (uint8_t& byte : bytes)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<uint8_t>(state);
    }
    return bytes;
}
