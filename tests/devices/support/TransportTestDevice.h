#pragma once
// A device that records what its transport hands it, runs the standard connection cycle (or the
// direct Connect), and whose clock can be moved so that the reconnect wait passes at once.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <dirent.h>
#include <mutex>
#include <thread>
#include <vector>

#include "devices/AbstractDevice.h"
#include "devices/AbstractTransport.h"
#include "platform/Clock.h"

class CTransportTestDevice : public CAbstractDevice
{
public:
    explicit CTransportTestDevice(bool direct = false) : m_direct(direct) {}
    // As a driver: the transport goes first, while this object is still whole.
    ~CTransportTestDevice() override { delete m_transport; }

    template <typename T> T* Attach()
    {
        auto* transport = new T(this);
        m_transport = transport;
        return transport;
    }

    bool Connect() override
    {
        ++connectCalls;
        return m_direct ? DirectConnect() : StandardConnect();
    }
    bool Update() override { return StandardUpdate(); }
    void OnConnected() override
    {
        Note(connectedOn);
        ++connects;
        StandardOnConnected();
    }
    void OnDisconnected() override
    {
        Note(disconnectedOn);
        ++disconnects;
        StandardOnDisconnected();
    }
    void OnReceive(const uint8_t* bytes, uint32_t length) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        receivedOn = std::this_thread::get_id();
        m_blocks.emplace_back(bytes, bytes + length);
    }

    // Makes Now() read `deviceTime` at this moment.
    void SetDeviceTime(uint32_t deviceTime) { m_created = platform::ClockMs() - deviceTime; }
    // Moves device time on by `ms`.
    void Advance(uint32_t ms) { SetDeviceTime(Now() + ms); }

    std::vector<std::vector<uint8_t>> Blocks()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_blocks;
    }
    std::vector<uint8_t> Received()
    {
        std::vector<uint8_t> all;
        for (const auto& block : Blocks())
            all.insert(all.end(), block.begin(), block.end());
        return all;
    }
    std::thread::id ReceivedOn()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return receivedOn;
    }
    std::thread::id DisconnectedOn()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return disconnectedOn;
    }
    std::thread::id ConnectedOn()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return connectedOn;
    }

    std::atomic<int> connectCalls{0};
    std::atomic<int> connects{0};
    std::atomic<int> disconnects{0};

private:
    void Note(std::thread::id& slot)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        slot = std::this_thread::get_id();
    }

    bool m_direct;
    std::mutex m_lock;
    std::vector<std::vector<uint8_t>> m_blocks;
    std::thread::id receivedOn;
    std::thread::id connectedOn;
    std::thread::id disconnectedOn;
};

// Polls `done` every 2 ms; false when `ms` pass first.
template <typename Predicate> bool WaitUntil(uint32_t ms, Predicate done)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done())
    {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Runs the device's Update every 5 ms, as the tick thread does, until `done` or `ms` pass.
template <typename Predicate> bool TickUntil(CAbstractDevice& device, uint32_t ms, Predicate done)
{
    return WaitUntil(ms,
                     [&]
                     {
                         device.Update();
                         std::this_thread::sleep_for(std::chrono::milliseconds(3));
                         return done();
                     });
}

// Open descriptors of this process.
inline int OpenDescriptorCount()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd"))
    {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}
