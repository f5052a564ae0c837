#pragma once
#include <atomic>
#include <cstdint>

// The poll cycle of a bus driver: due once strictly more than the period has passed since the
// last poll. A period of 0 never polls. Times are device milliseconds (CAbstractDevice::Now) and
// compared with unsigned wrap.
//
// Use in a driver's Update, while online:
//
//     CPollTimer m_poll{500, CPollTimer::FirstAtOnce};        // member
//     // Configure: m_poll.SetPeriod(params->value);
//     if (m_poll.Due(Now()))
//         QueuePolls();
//     // on a lost link, when the family starts its polls over: m_poll.Restart();
//
// FirstAtOnce polls at the first Due after a (re)start; FirstAfterPeriod waits one period from the
// device's clock base (time 0) or from the restart.
class CPollTimer
{
public:
    enum FirstPoll : uint8_t
    {
        FirstAtOnce,
        FirstAfterPeriod,
    };

    explicit CPollTimer(uint32_t period = 0, FirstPoll first = FirstAtOnce) : m_period(period), m_first(first)
    {
        m_polled = first == FirstAfterPeriod;
    }

    void SetPeriod(uint32_t period) { m_period = period; }
    uint32_t GetPeriod() const { return m_period; }

    // True (and the poll time noted as `now`) when a poll is due.
    bool Due(uint32_t now)
    {
        uint32_t period = m_period.load();
        if (period == 0)
            return false;
        if (m_polled.load() && now - m_last.load() <= period)
            return false;
        m_last = now;
        m_polled = true;
        return true;
    }

    // Forgets the last poll; with FirstAfterPeriod the next one is due one period after `now`.
    void Restart(uint32_t now = 0)
    {
        m_last = now;
        m_polled = m_first == FirstAfterPeriod;
    }
    uint32_t GetLast() const { return m_last; }

private:
    std::atomic<uint32_t> m_period;
    FirstPoll m_first;
    std::atomic<uint32_t> m_last{0};
    std::atomic<bool> m_polled{false};
};
