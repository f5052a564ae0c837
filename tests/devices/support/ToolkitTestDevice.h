#pragma once
// A device whose clock the test sets and a transport that records what is sent through it: the
// send pump, the report poster and the Configure forms are tested with them, without sleeps.
#include <cstdint>
#include <string>
#include <vector>

#include "devices/AbstractDevice.h"
#include "devices/AbstractTransport.h"
#include "devices/support/HeldClock.h"
#include "platform/Clock.h"

namespace toolkit_test
{
// Records every message sent; a send can be made to fail, and a failing send may drop the link
// as a TCP send does, or to find the transport busy as a serial port still writing does.
class CRecordingTransport : public CAbstractTransport
{
public:
    using CAbstractTransport::CAbstractTransport;
    std::vector<std::vector<uint8_t>> sent;
    bool failSends = false;
    bool closeOnFailedSend = false;
    bool busy = false;
    int busyRefusals = 0;
    int closes = 0;

    bool Open(const char*, uint16_t, uint16_t, uint32_t, uint8_t, char) override { return true; }
    bool Connect() override { return true; }
    void Close() override
    {
        ++closes;
        RequestState(LinkClosed);
        if (IsConnected())
        {
            SetConnected(false);
            m_device->OnDisconnected();
        }
    }
    bool Send(const uint8_t* bytes, uint32_t length) override { return Offer(bytes, length) == SendTaken; }
    SendOutcome Offer(const uint8_t* bytes, uint32_t length) override
    {
        if (busy)
        {
            ++busyRefusals;
            return SendBusy;
        }
        if (failSends)
        {
            if (closeOnFailedSend)
                Close();
            return SendRefused;
        }
        sent.emplace_back(bytes, bytes + length);
        return SendTaken;
    }
    bool Poll() override { return true; }
    // The tags of the messages sent, when each message is one tag byte.
    std::string SentTags() const
    {
        std::string tags;
        for (const auto& message : sent)
            tags += message.empty() ? '-' : static_cast<char>(message[0]);
        return tags;
    }
};

// A device at a device time the test chooses, with a recording transport.
class CClockDevice : public device_test::CHeldClock<CAbstractDevice>
{
public:
    std::vector<CDeviceEvent> posted;
    int disconnects = 0;

    CClockDevice()
    {
        transport = new CRecordingTransport(this);
        m_transport = transport;
    }
    ~CClockDevice() override { DeleteTransport(); }

    // SetDeviceTime (of CHeldClock) makes Now() read the time the test chose: the clock stands
    // still between two steps of the test, so no millisecond passes unseen inside a pump.
    void OnDisconnected() override { ++disconnects; }

    CRecordingTransport* transport;

protected:
    // Keeps the records instead of reaching an interface.
    void DispatchEvent(const CDeviceEvent& event, uint32_t) override { posted.push_back(event); }
};
} // namespace toolkit_test
