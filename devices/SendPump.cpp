#include "devices/SendPump.h"

#include <memory>

#include "devices/AbstractDevice.h"
#include "devices/AbstractTransport.h"
#include "devices/OutStream.h"
#include "devices/SendQueue.h"
#include "platform/Clock.h"

CSendPump::CSendPump(CAbstractDevice& device, CSendQueue& queue, const SendPumpRules& rules)
    : m_device(device), m_queue(queue), m_rules(rules)
{
}

bool CSendPump::Queue(int32_t tag, const uint8_t* bytes, uint32_t length)
{
    return m_queue.AddData(tag, bytes, length);
}

bool CSendPump::Queue(int32_t tag, const COutStream& stream)
{
    return Queue(tag, stream.Data(), stream.Length());
}

bool CSendPump::QueueOnce(int32_t tag, const uint8_t* bytes, uint32_t length)
{
    if (tag == 0)
        return m_queue.AddData(tag, bytes, length);
    return m_queue.AddDataOnce(tag, bytes, length);
}

bool CSendPump::QueueOnce(int32_t tag, const COutStream& stream)
{
    return QueueOnce(tag, stream.Data(), stream.Length());
}

CSendPump::PumpStep CSendPump::Pump()
{
    std::unique_ptr<CQueueData> copy;
    PumpStep step;
    bool popOnSend = false;
    uint32_t epoch = 0;
    uint32_t previousSendTime = 0;
    bool previousHasSent = false;
    {
        CCriticalSectionGuard guard(&m_lock);
        uint32_t now = m_device.Now();
        switch (m_state.load())
        {
        case Waiting:
            // A queue emptied under a waiting head (by the driver) has nothing left to wait for.
            if (m_queue.GetCount() == 0)
            {
                m_state = Ready;
                return step;
            }
            if (platform::ElapsedMs(now, m_sendTime) <= m_rules.answerTimeout)
                return step;
            step.tag = m_queue.PeekTag();
            if (m_rules.resends == SendPumpRules::kResendForever || m_resendCount < m_rules.resends)
            {
                ++m_resendCount;
                step.kind = PumpStep::Resend;
            }
            else
            {
                m_queue.Pop();
                m_resendCount = 0;
                step.kind = PumpStep::Dropped;
            }
            m_state = Ready;
            return step;
        case Pausing:
            if (platform::ElapsedMs(now, m_answerTime) > m_rules.pauseAfterAnswer)
                m_state = Ready;
            return step;
        default:
            break;
        }
        if (m_hasSent && platform::ElapsedMs(now, m_sendTime) < m_rules.minGap)
            return step;
        copy.reset(m_queue.PeekData());
        if (!copy)
            return step;
        step.tag = copy->GetTag();
        previousSendTime = m_sendTime;
        previousHasSent = m_hasSent;
        m_sendTime = now;
        m_hasSent = true;
        popOnSend =
            m_rules.pop == PopRule::OnSend || (m_rules.pop == PopRule::OnSendTagZero && step.tag == 0);
        // Waiting before the send: the answer may come back before Send returns.
        if (!popOnSend)
            m_state = Waiting;
        epoch = m_epoch;
    }
    // Outside the pump's lock: a send that loses the link comes back through OnLinkLost, and an
    // answer may arrive on the transport thread before Send returns.
    const uint8_t outcome = m_device.OfferToTransport(copy->GetBytes(), copy->GetLength());
    Settle(step, outcome, *copy, popOnSend, epoch, previousSendTime, previousHasSent);
    return step;
}

bool CSendPump::Flush()
{
    bool refused = false;
    while (m_queue.GetCount() > 0)
    {
        const PumpStep::Kind kind = Pump().kind;
        if (kind == PumpStep::SendFailed)
            refused = true;
        else if (kind != PumpStep::Sent)
            break;
    }
    return !refused;
}

void CSendPump::Settle(PumpStep& step, uint8_t outcome, const CQueueData& head, bool popOnSend,
                       uint32_t epoch, uint32_t previousSendTime, bool previousHasSent)
{
    CCriticalSectionGuard guard(&m_lock);
    if (outcome == CAbstractTransport::SendBusy)
    {
        // The message never left: it keeps its place, owes no gap and awaits no answer.
        step.kind = PumpStep::Busy;
        if (m_epoch != epoch)
            return;
        m_sendTime = previousSendTime;
        m_hasSent = previousHasSent;
        if (m_state.load() == Waiting)
            m_state = Ready;
        return;
    }
    step.kind = outcome == CAbstractTransport::SendTaken ? PumpStep::Sent : PumpStep::SendFailed;
    // Popped only now that the transport has decided; a link loss that emptied the queue
    // meanwhile leaves nothing to pop.
    if (popOnSend)
        m_queue.PopIfHead(head);
}

bool CSendPump::AcceptLocked(bool anyTag, int32_t tag, int32_t* acceptedTag)
{
    CCriticalSectionGuard guard(&m_lock);
    if (m_state.load() != Waiting || m_queue.GetCount() == 0)
        return false;
    int32_t head = m_queue.PeekTag();
    if (!anyTag && head != tag)
        return false;
    m_queue.Pop();
    m_resendCount = 0;
    ++m_epoch;
    if (m_rules.pauseAfterAnswer > 0)
    {
        m_answerTime = m_device.Now();
        m_state = Pausing;
    }
    else
    {
        m_state = Ready;
    }
    if (acceptedTag)
        *acceptedTag = head;
    return true;
}

bool CSendPump::Accept(int32_t tag)
{
    return AcceptLocked(false, tag, nullptr);
}

bool CSendPump::AcceptHead(int32_t* tag)
{
    return AcceptLocked(true, 0, tag);
}

void CSendPump::OnLinkLost()
{
    CCriticalSectionGuard guard(&m_lock);
    m_state = Ready;
    m_resendCount = 0;
    m_hasSent = false;
    ++m_epoch;
    if (m_rules.clearOnLinkLoss)
        m_queue.Clear();
}
