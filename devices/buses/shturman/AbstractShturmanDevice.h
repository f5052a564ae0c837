#pragma once
#include <cstdint>

#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "devices/AbstractDevice.h"
#include "devices/ReportPoster.h"
#include "devices/SendPump.h"
#include "devices/SendQueue.h"

// What both Shturman module buses (XXV07 and D12SS20) do alike: requests and commands leave
// through a send queue of 128 entries drained by a send pump under the family's rules; received
// bytes are cut into frames by the family's codec; Press and Release send the channel of that
// action; the tick polls the modules and pumps the queue while online. The families decide which
// modules are asked what and what a frame means.
//
// Threads: presses, polls and the pump on the tick thread; OnConnected, OnDisconnected and
// OnReceive (with the frames it hands on) on the transport thread.
class CAbstractShturmanDevice : public CAbstractDevice
{
public:
    static constexpr int32_t kQueueCapacity = 128;

    ~CAbstractShturmanDevice() override;

    bool Connect() override;
    void Disconnect() override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool Release(uint16_t channel, CNerulanValue* value) override;
    bool Hold(uint16_t, uint32_t) override { return false; }
    bool SendBytes(const uint8_t*, uint32_t) override { return false; }
    bool Update() override;
    void OnConnected() override;
    void OnDisconnected() override;
    void OnReceive(const uint8_t* bytes, uint32_t length) override;

    int32_t GetQueueCount() { return m_queue.GetCount(); }

protected:
    // The codec outlives the device (the families keep one for the whole program).
    CAbstractShturmanDevice(const CAbstractFrameCodec& codec, const SendPumpRules& rules);

    // Queues the command of the channel at this address for this action (press or release);
    // false when none is sent.
    virtual bool PressOrRelease(uint16_t channel, uint8_t action) = 0;
    // Queues the requests that are due (tick thread).
    virtual void Poll() = 0;
    // The family's first requests on a new link, once the device is online (transport thread).
    virtual void OnLinkUp() = 0;
    // A whole frame of `size` bytes as the codec found it (transport thread).
    virtual void OnFrame(const uint8_t* frame, int32_t size) = 0;

    CFrameScanner m_scanner;
    CInStream m_in{CInStream::Grow, 128};
    CSendQueue m_queue{kQueueCapacity};
    CSendPump m_pump;
    CReportPoster m_poster{*this};
};
