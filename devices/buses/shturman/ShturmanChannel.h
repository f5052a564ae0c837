#pragma once
#include <atomic>
#include <cstdint>

#include "devices/AbstractChannel.h"

class CReportPoster;

// What the channels of both Shturman module buses share: the module they belong to and the
// one-byte channel value, which Press and Release send and which feedback overwrites.
class CShturmanChannel : public CAbstractChannel
{
public:
    static constexpr uint8_t kModules = 128;

    using CAbstractChannel::CAbstractChannel;

    // A module value for this channel: a bool channel takes 1 for any value but 0; only bool and
    // int32 channels take it, and only when it differs from the channel value, which it then
    // replaces; it is posted as the channel's report kind. Nothing for a send-only channel. True
    // when posted.
    bool TakeFeedback(CReportPoster& poster, uint8_t value);

    uint8_t m_module = 0;
    std::atomic<uint8_t> m_value{0};
};
