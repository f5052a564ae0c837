#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/InStream.h"
#include "devices/AbstractDevice.h"
#include "devices/SendPump.h"
#include "devices/SendQueue.h"
#include "devices/controllers/custom/CustomChannel.h"

// The base of the devices whose protocol the project author writes byte by byte: it keeps the
// custom channels, sends their bytes on Press, Release and Hold, and holds the receive buffer in
// which the drivers look for feedback patterns.
//
// A channel's sends leave at once as long as the link takes them; a serial port takes one block
// at a time, so what it cannot take yet waits in the queue for the next Update (repeats and quick
// presses are not lost).
//
// GetKind answers kCustomKind: the item loader sorts an item's addresses on such a device into
// the item's command sequences and reads the channels (FindChannel) to do so.
class CAbstractCustomDevice : public CAbstractDevice
{
public:
    static constexpr int kCustomKind = 6;
    static constexpr int32_t kInStreamStart = 32;

    CAbstractCustomDevice();
    ~CAbstractCustomDevice() override;

    int GetKind() override { return kCustomKind; }
    bool Connect() override { return ConnectWithoutTimeStamp(); }
    bool Update() override;
    void OnConnected() override { StandardOnConnected(); }
    void OnDisconnected() override;

    // Send the bytes of the first channel with this id and kind 1 (Press), 2 (Release), repeat-count
    // times; false when there is no such channel. The value is not used.
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool Release(uint16_t channel, CNerulanValue* value) override;
    // Kind 32: adds the elapsed time to the channel's held time and sends once it passes the
    // hold period.
    bool Hold(uint16_t channel, uint32_t elapsedMs) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool SendBytes(const uint8_t* bytes, uint32_t length) override;

    // The first channel whose id is `id` (any kind); null when there is none.
    CCustomChannel* FindChannel(uint32_t id) const;
    int32_t GetChannelCount() const { return static_cast<int32_t>(m_channels.size()); }
    CCustomChannel* GetChannel(int32_t index) const;
    bool HasFeedback() const { return m_feedback != 0; }
    // What the receive buffer kept after the last scan, and its size (any thread).
    int32_t PendingBytes() const { return m_keptBytes.load(); }
    int32_t BufferCapacity() const { return m_bufferCapacity.load(); }

protected:
    // The first channel with this id and this kind.
    CCustomChannel* FindChannel(uint32_t id, uint8_t kind) const;
    // Sends the channel's bytes repeat-count times, each as its own send (results ignored).
    void SendRepeated(const CCustomChannel& channel);
    void AppendChannel(std::unique_ptr<CCustomChannel> channel);
    // Transport thread, after each scan: publishes what the buffer holds.
    void NoteBuffer()
    {
        m_keptBytes = m_in.Pending();
        m_bufferCapacity = m_in.Capacity();
    }

    CInStream m_in{CInStream::Grow, kInStreamStart};
    CSendQueue m_queue{64};
    CSendPump m_pump{*this, m_queue, SendPumpRules::Immediate()};
    std::vector<std::unique_ptr<CCustomChannel>> m_channels;
    uint8_t m_feedback = 0;
    std::atomic<int32_t> m_keptBytes{0};
    std::atomic<int32_t> m_bufferCapacity{kInStreamStart};
};
