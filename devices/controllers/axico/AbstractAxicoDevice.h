#pragma once
#include <cstdint>
#include <string>

#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "devices/AbstractDevice.h"
#include "devices/ChannelList.h"
#include "devices/ReportPoster.h"
#include "devices/SendPump.h"
#include "devices/SendQueue.h"
#include "devices/controllers/axico/AxicoChannel.h"
#include "devices/controllers/axico/AxicoCodec.h"

// An Axico installation through its interface: switches, dimmers and pulses are commanded with
// "S05" lines (no polling), and 'P' status frames tell the actuators' states, which the driver
// keeps per channel. A command leaves at once when the link can take it; a serial port still
// writing the previous line keeps it in the queue until the next Update, so that no press is lost
// and a switch's kept state always matches the command that goes. The link class decides how messages other
// than status frames are answered.
//
// Threads: Release and SetValue on the tick thread; OnConnected, OnDisconnected and OnReceive on
// the transport thread. Channel states are atomics; every send takes the send lock.
class CAbstractAxicoDevice : public CAbstractDevice
{
public:
    CAbstractAxicoDevice();
    ~CAbstractAxicoDevice() override;

    bool Connect() override;
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool Release(uint16_t channel, CNerulanValue* value) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool Hold(uint16_t, uint32_t) override { return false; }
    bool SendBytes(const uint8_t*, uint32_t) override { return false; }
    bool Update() override;
    void OnConnected() override;
    void OnDisconnected() override;
    void OnReceive(const uint8_t* bytes, uint32_t length) override;
    // Values are posted as item values whatever the channel's report kind.
    bool ReadsReportKind() const override { return false; }

    int32_t GetPending() const { return m_in.Pending(); }

protected:
    // What the link does with a message (transport thread).
    virtual void OnMessage(const AxicoMessage& message) = 0;
    // The link is up: the serial link starts its handshake, the gateway is online at once.
    virtual void OnLinkUp() = 0;
    // The time a "C\r" is given to leave before the link closes: a serial transport writes what it
    // was handed only after its current read (at most 50 ms), and closing drops an unwritten block.
    static constexpr uint32_t kCloseWait = 100;

    // "C\r", then the link closed and the transport deleted: the start of a link class's
    // destructor (which waits kCloseWait for the text to leave).
    void CloseLink();
    // "C\r" behind the queued commands; the link is closed by the Update at least kCloseWait after
    // it was handed over.
    void BeginClose();
    // Update while closing: true while "C\r" is still queued or its wait runs.
    bool UpdateClosing();

    bool SendText(const char* text);
    // Queues the command and sends it at once when the link can take it; false without a link.
    bool SendCommand(const CAxicoChannel& channel, uint8_t command);
    void ApplyStatus(const AxicoMessage& message);

    CChannelList<CAxicoChannel> m_channels;
    CReportPoster m_poster{*this};
    CAxicoCodec m_codec;
    CFrameScanner m_scanner{m_codec};
    CInStream m_in{CInStream::Grow, 2048};
    CSendQueue m_queue{64};
    CSendPump m_pump{*this, m_queue, SendPumpRules::Immediate()};
    bool m_closing = false;
    uint32_t m_closeStart = 0;
};
