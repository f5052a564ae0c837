#include "devices/SendPump.h"

#include <memory>

#include "devices/AbstractDevice.h"
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
        m_sendTime = now;
        m_hasSent = true;
        bool popNow =
            m_rules.pop == PopRule::OnSend || (m_rules.pop == PopRule::OnSendTagZero && step.tag == 0);
        if (popNow)
            m_queue.Pop();
        else
            m_state = Waiting;
    }
    // Outside the pump's lock: a send that loses the link comes back through OnLinkLost, and an
    // answer may arrive on the transport thread before Send returns.
    bool sent = m_device.SendToTransport(copy->GetBytes(), copy->GetLength());
    step.kind = sent ? PumpStep::Sent : PumpStep::SendFailed;
    return step;
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
    if (m_rules.clearOnLinkLoss)
        m_queue.Clear();
}
