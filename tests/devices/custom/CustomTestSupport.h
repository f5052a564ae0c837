#pragma once
// Blobs of custom channels and devices that keep the events they post (tests of the custom
// byte-string devices).
#include <cstdint>
#include <mutex>
#include <vector>

#include "devices/DeviceEvent.h"
#include "devices/DeviceEventSink.h"

namespace custom_test
{
// A channel blob: kind, event channel, event value, repeat count, the byte string, and (when
// `timed`) the hold period and the sequence delay.
inline std::vector<uint8_t> Blob(uint8_t kind, uint32_t eventChannel, uint32_t eventValue, uint8_t repeat,
                                 const std::vector<uint8_t>& bytes, bool timed = false,
                                 uint32_t holdPeriod = 0, uint32_t sequenceDelay = 0)
{
    std::vector<uint8_t> blob;
    auto u32 = [&](uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            blob.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    blob.push_back(kind);
    u32(eventChannel);
    u32(eventValue);
    blob.push_back(repeat);
    u32(static_cast<uint32_t>(bytes.size()));
    blob.insert(blob.end(), bytes.begin(), bytes.end());
    if (timed)
    {
        u32(holdPeriod);
        u32(sequenceDelay);
    }
    return blob;
}

// A device of one link that records what its ring hands the interface instead of reaching one.
template <class Link> class CRecording : public Link
{
public:
    CRecording() { Link::SetDialogSystem(reinterpret_cast<CDeviceEventSink*>(uintptr_t{0x10})); }
    // The transport's thread stops before this class's members go.
    ~CRecording() override { this->DeleteTransport(); }

    std::vector<CDeviceEvent> Posted()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_posted;
    }

protected:
    void DispatchEvent(const CDeviceEvent& event, uint32_t) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_posted.push_back(event);
    }

private:
    std::mutex m_lock;
    std::vector<CDeviceEvent> m_posted;
};
} // namespace custom_test
