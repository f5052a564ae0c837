#pragma once
#include <atomic>
#include <cstdint>

#include "common/NerulanCriticalSection.h"

class CAbstractDevice;
class COutStream;
class CQueueData;
class CSendQueue;

// When the head of the queue leaves it.
enum class PopRule : uint8_t
{
    OnAnswer,      // when its answer is accepted, or when it is dropped after its last time-out
    OnSend,        // as soon as it is sent: no answer is awaited
    OnSendTagZero, // messages tagged 0 as soon as they are sent, the others on their answer
};

// A family's sending rule. Times are in device milliseconds (CAbstractDevice::Now).
struct SendPumpRules
{
    static constexpr uint8_t kResendForever = 0xFF;

    PopRule pop = PopRule::OnAnswer;
    // How long the head waits for its answer: it times out once strictly more has passed since
    // it was sent ("more than 1000 ms" is 1000, "at least 501 ms" is 500).
    uint32_t answerTimeout = 1000;
    // How often a timed-out head is sent again before it is dropped (0: dropped at its first
    // time-out; kResendForever: never dropped).
    uint8_t resends = 0;
    // The least time between the starts of two sends ("one message per 26 ms at most" is 26).
    uint32_t minGap = 0;
    // After an accepted answer the next send waits until strictly more than this has passed.
    uint32_t pauseAfterAnswer = 0;
    // Whether a lost link empties the queue as well (the state is always reset).
    bool clearOnLinkLoss = false;

    // Messages that await no answer and leave as soon as the link takes them; what a lost link
    // still held is not replayed on the next one.
    static SendPumpRules Immediate()
    {
        SendPumpRules rules;
        rules.pop = PopRule::OnSend;
        rules.clearOnLinkLoss = true;
        return rules;
    }
};

// The one send pump over a device's CSendQueue: one message outstanding per device, answers
// matched to the head of the queue only.
//
// States: Ready (the head may be sent), Waiting (the head was sent and awaits its answer),
// Pausing (an answer was accepted; the pause after it runs). An answer is accepted only while
// Waiting. A lost link resets everything (OnLinkLost). A transport that is busy (a serial port
// still writing the previous message) leaves the head where it was, as if the pump had not run.
//
// Use in a driver (the queue and the pump are members, the queue declared first):
//
//     CSendQueue m_queue{64};
//     CSendPump m_pump{*this, m_queue, ModbusRules()};   // rules: pop on answer, 12000 ms, ...
//
//     // queueing (tick thread, or transport thread), under the send lock:
//     CCriticalSectionGuard guard(SendLock());
//     m_out.Reset(); ...build...;
//     m_pump.QueueOnce(blockId, m_out);        // a poll of this block never waits twice
//
//     // Update, while online (tick thread):
//     PumpStep step = m_pump.Pump();
//     if (step.kind == PumpStep::Dropped)        // no answer in time: the family's clean-up
//         { ReleaseBlock(step.tag); m_in.Reset(); }
//
//     // OnReceive, a whole answer parsed (transport thread):
//     if (m_pump.Accept(answerTag)) ...          // or AcceptHead() where any answer releases it
//
//     // OnDisconnected:
//     m_pump.OnLinkLost();
//
// The families' rules in these terms (pop / answerTimeout / resends / minGap / pauseAfterAnswer):
//   Modbus            OnAnswer / 12000 / 0 / 0 / 0        Dropped: release the block, empty the in-stream
//   KNX object server OnAnswer / 6000 / 0 / 0 / 0         Dropped: empty the in-stream
//   Helvar AV         OnAnswer / 6000 / 0 / 0 / 0         Dropped: empty the in-stream
//   SmartBus          OnAnswer / 500 / 3 / 0 / 0          (at least 501 ms, sent at most four times)
//   KNX tunnelling    OnAnswer / 1000 / the driver's limit or kResendForever / 0 / the pause
//   EPSNET            OnSend / - / - / 26 / 0
//   Shturman XXV07    OnAnswer / 200 / 0 / 0 / 0          never Accept: one frame per 200 ms
//   Shturman D12SS20  OnSendTagZero / 2000 / 0 / 0 / 0
//
// Thread-safety: the pump's state is under its own lock, which is never held while the message
// is sent (the send takes the device's send lock).
class CSendPump
{
public:
    enum State : uint8_t
    {
        Ready = 2,
        Waiting = 3,
        Pausing = 4,
    };

    struct PumpStep
    {
        enum Kind : uint8_t
        {
            Nothing,    // no message left, or it is not yet time
            Sent,       // the head (or a copy of it) went to the transport
            SendFailed, // the transport refused it for good (no link, too long): a pop-on-send
                        // message is gone all the same
            Busy,       // the transport still writes the previous message: the head stays, untouched,
                        // and goes at the next pump
            Resend,     // the head timed out and goes again at the next pump
            Dropped,    // the head timed out for the last time and was removed
        };
        Kind kind = Nothing;
        int32_t tag = 0;
    };

    CSendPump(CAbstractDevice& device, CSendQueue& queue, const SendPumpRules& rules);
    CSendPump(const CSendPump&) = delete;
    CSendPump& operator=(const CSendPump&) = delete;

    // Queue a message (copied). QueueOnce refuses a tag already in the queue, except tag 0, which
    // means "no answer to match" and is queued every time.
    bool Queue(int32_t tag, const uint8_t* bytes, uint32_t length);
    bool Queue(int32_t tag, const COutStream& stream);
    bool QueueOnce(int32_t tag, const uint8_t* bytes, uint32_t length);
    bool QueueOnce(int32_t tag, const COutStream& stream);

    // Tick thread, once per Update while online: one step (a send, a time-out, or the end of a
    // pause; a pause or a time-out that ends does not send in the same call).
    PumpStep Pump();
    // Pumps while messages leave: stops when the queue is empty, the head is not yet due or the
    // transport is busy. False when the transport refused a message for good (no link).
    bool Flush();

    // Any thread: the answer to the head arrived. Accepted only while Waiting and, for Accept,
    // only when the head's tag equals `tag`; the head is removed. False when not accepted.
    bool Accept(int32_t tag);
    bool AcceptHead(int32_t* tag = nullptr);

    // The link is gone: Ready, no resends counted, no gap or pause pending; the queue emptied when
    // the rules say so.
    void OnLinkLost();

    uint8_t GetState() const { return m_state.load(); }
    uint8_t GetResendCount() const { return m_resendCount.load(); }
    const SendPumpRules& GetRules() const { return m_rules; }

private:
    bool AcceptLocked(bool anyTag, int32_t tag, int32_t* acceptedTag);
    // After the transport took or refused the head sent in this pump.
    void Settle(PumpStep& step, uint8_t outcome, const CQueueData& head, bool popOnSend, uint32_t epoch,
                uint32_t previousSendTime, bool previousHasSent);

    CAbstractDevice& m_device;
    CSendQueue& m_queue;
    SendPumpRules m_rules;
    CNerulanCriticalSection m_lock;
    std::atomic<uint8_t> m_state{Ready};
    std::atomic<uint8_t> m_resendCount{0};
    uint32_t m_sendTime = 0;
    uint32_t m_answerTime = 0;
    bool m_hasSent = false;
    // Counts answers and link losses, so that a busy send undoes its own marks only when nothing
    // moved the pump on while the message was offered.
    uint32_t m_epoch = 0;
};

using PumpStep = CSendPump::PumpStep;
