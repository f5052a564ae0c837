#pragma once
// A transport the test drives by hand and a wrapper that gives a driver a clock the test sets and
// an event record, so that the KNX and object-server state machines are tested step by step,
// without sleeps. The real peers (knxd, scripted servers on loopback) test the same drivers over
// real sockets.
#include <arpa/inet.h>
#include <cstdint>
#include <vector>

#include "devices/AbstractDevice.h"
#include "devices/AbstractTransport.h"
#include "devices/DeviceEvent.h"
#include "devices/support/HeldClock.h"
#include "platform/Clock.h"

namespace knx_test
{
using Bytes = std::vector<uint8_t>;

class CScriptedTransport : public CAbstractTransport
{
public:
    using CAbstractTransport::CAbstractTransport;
    std::vector<Bytes> sent;
    int closes = 0;
    int connectRequests = 0;

    bool Open(const char*, uint16_t, uint16_t, uint32_t, uint8_t, char) override { return true; }
    bool Connect() override { return true; }
    void Close() override
    {
        ++closes;
        bool wasUp = IsConnected();
        RequestState(LinkClosed);
        SetConnected(false);
        if (wasUp)
            m_device->OnDisconnected();
    }
    bool Send(const uint8_t* bytes, uint32_t length) override
    {
        sent.emplace_back(bytes, bytes + length);
        return true;
    }
    bool Poll() override { return true; }
    // 127.0.0.1, in network byte order as sockets keep it.
    uint32_t GetLocalAddress() override { return htonl(0x7F000001); }
    uint16_t GetLocalPort() override { return 50000; }

    // The link comes up as the transport thread would report it.
    void Up()
    {
        RequestState(LinkConnected);
        SetConnected(true);
        m_device->OnConnected();
    }
    void Deliver(const Bytes& bytes)
    {
        m_device->OnReceive(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    // Called before each delivery and link-up (the device pins its clock there).
    // Takes what was sent so far.
    std::vector<Bytes> Take()
    {
        std::vector<Bytes> taken;
        taken.swap(sent);
        return taken;
    }
};

struct PostedValue
{
    uint32_t channel;
    uint8_t kind;
    float value;
};

// Driver with a scripted transport, a clock the test sets and its posted values recorded. The
// device time is the test's time and stands still between the test's steps, so time-outs can be
// tested to the millisecond however slowly the machine runs.
template <class Driver> class CScriptedDevice : public device_test::CHeldClock<Driver>
{
public:
    CScriptedDevice()
    {
        transport = new CScriptedTransport(this);
        this->m_transport = transport;
        // The drain calls DispatchEvent only with an interface set; this one is never used, since
        // DispatchEvent below keeps the records.
        this->m_dialogSystem = reinterpret_cast<decltype(this->m_dialogSystem)>(this);
        this->SetDeviceTime(1000);
    }
    ~CScriptedDevice() override { this->DeleteTransport(); }

    CScriptedTransport* transport;
    std::vector<PostedValue> posted;

protected:
    void DispatchEvent(const CDeviceEvent& event, uint32_t) override
    {
        posted.push_back({event.channel, event.kind, event.ValueAsFloat()});
    }
};
} // namespace knx_test
