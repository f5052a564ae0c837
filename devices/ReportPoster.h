#pragma once
#include <atomic>
#include <cstdint>

#include "devices/AbstractChannel.h"
#include "devices/DeviceEvent.h"

class CAbstractDevice;

// Posts channel feedback as the channel's report kind. The value goes as float bits for the kinds
// whose value is a float (1 set value, 2 set slider value, 3 step value) and as an integer
// (truncated toward zero, platform/FloatToInt.h) for every other kind; the arguments stay 0.
//
// Use in a driver (any thread):
//
//     CReportPoster m_poster{*this};                          // member
//
//     m_poster.Post(channel->GetId(), channel->GetReportKind(), level);   // on every report
//     m_poster.PostIfChanged(*channel, channel->m_value, level);          // only on a change
//
// PostIfChanged keeps the value in the driver's std::atomic (the channel's stored value), compares
// and stores in one step, and posts nothing for a send-only channel (the value is stored all the
// same). The kinds that need a text or an object never reach a driver that posts numbers: the
// loader refuses such channels (CAbstractDevice::AcceptsReportKind).
class CReportPoster
{
public:
    explicit CReportPoster(CAbstractDevice& device) : m_device(device) {}

    static bool IsFloatKind(uint8_t kind);
    // The record for a value reported on a channel with this report kind.
    static CDeviceEvent MakeEvent(uint32_t channel, uint8_t kind, double value);

    void Post(uint32_t channel, uint8_t kind, double value);

    // Stores the value; posts it when it differs from the one stored before. True when posted.
    template <class T> bool PostIfChanged(uint32_t channel, uint8_t kind, std::atomic<T>& stored, T value)
    {
        if (stored.exchange(value) == value)
            return false;
        Post(channel, kind, static_cast<double>(value));
        return true;
    }
    template <class T> bool PostIfChanged(const CAbstractChannel& channel, std::atomic<T>& stored, T value)
    {
        if (stored.exchange(value) == value || !channel.TakesFeedback())
            return false;
        Post(channel.GetId(), channel.GetReportKind(), static_cast<double>(value));
        return true;
    }

private:
    CAbstractDevice& m_device;
};
