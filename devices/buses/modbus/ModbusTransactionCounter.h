#pragma once
#include <atomic>
#include <cstdint>

// The transaction ids of one device: polls and writes share the counter, 65535 is followed by 1,
// so an id is never 0 (which marks a block with no request outstanding). Taken on the tick
// thread and reset from the transport thread when the link drops, hence atomic.
class CModbusTransactionCounter
{
public:
    uint16_t Next()
    {
        uint16_t current = m_last.load();
        uint16_t next;
        do
            next = current == 0xFFFF ? 1 : static_cast<uint16_t>(current + 1);
        while (!m_last.compare_exchange_weak(current, next));
        return next;
    }
    uint16_t Last() const { return m_last.load(); }
    void Reset() { m_last.store(0); }

private:
    std::atomic<uint16_t> m_last{0};
};
