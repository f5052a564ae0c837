#pragma once
#include <cstdint>
#include <vector>

#include "common/InStream.h"
#include "devices/buses/x10/X10Codec.h"

// The panel's side of the interface link, byte by byte: which exchange it waits for, the
// checksum handshake, the poll signal and its upload, and the interface's time requests. It only
// says what to do (X10Action); the driver sends and reports. Depends on common/ only, so it is
// fed arbitrary bytes in tests and under the fuzzer.
//
// A wait (upload, checksum, ready) that gets no answer ends after the driver's time-out
// (TimeOut): the link is idle again and the exchange can be sent anew, so one lost or damaged
// byte never stops the link for good.
//
// Not thread-safe: the driver calls it under its send lock.
class CX10LinkMachine
{
public:
    enum State : uint8_t
    {
        Closed = 0,
        Idle = 1,
        WaitUpload = 3,
        WaitChecksum = 4,
        WaitReady = 5,
    };

    struct Action
    {
        enum Kind : uint8_t
        {
            Confirmed,   // the checksum of the exchange matched
            SendByte,    // send `byte`
            TimeAnswer,  // answer 0xA5 with the local time
            OtherAnswer, // answer 0xA6
            Ready,       // the interface is ready: the pause before the next exchange begins
            Report,      // a function the interface reported
        };
        Kind kind = SendByte;
        uint8_t byte = 0;
        X10Report report;
    };

    static constexpr int32_t kStreamSize = 128;

    uint8_t GetState() const { return m_state; }
    uint8_t GetLastAddress() const { return m_lastAddress; }
    // The link is up: idle, nothing buffered.
    void OnLinkUp();
    // An exchange's frame with this checksum is being sent now.
    void StartExchange(uint8_t expectedChecksum, uint32_t now);
    // Bytes from the interface; what to do is appended to `actions`, in order.
    void Feed(const uint8_t* bytes, int32_t length, uint32_t now, std::vector<Action>& actions);
    // True (and idle again, nothing buffered) when a wait has lasted more than `limit` ms.
    bool TimeOut(uint32_t now, uint32_t limit);
    int32_t Buffered() const { return m_in.Pending(); }

private:
    void Enter(uint8_t state, uint32_t now);
    void Poll(uint32_t now, std::vector<Action>& actions);
    // False when the upload is not whole yet.
    bool TakeUpload(uint32_t now, std::vector<Action>& actions);
    void Request(uint8_t byte, uint32_t now, std::vector<Action>& actions);

    CInStream m_in{CInStream::KeepNewest, kStreamSize};
    uint8_t m_state = Closed;
    uint8_t m_expected = 0;
    uint8_t m_lastAddress = 0;
    uint32_t m_since = 0;
};
