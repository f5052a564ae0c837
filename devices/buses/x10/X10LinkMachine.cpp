#include "devices/buses/x10/X10LinkMachine.h"

void CX10LinkMachine::Enter(uint8_t state, uint32_t now)
{
    m_state = state;
    m_since = now;
}

void CX10LinkMachine::OnLinkUp()
{
    m_in.Reset();
    m_state = Idle;
}

void CX10LinkMachine::StartExchange(uint8_t expectedChecksum, uint32_t now)
{
    m_expected = expectedChecksum;
    Enter(WaitChecksum, now);
}

bool CX10LinkMachine::TimeOut(uint32_t now, uint32_t limit)
{
    if (m_state != WaitUpload && m_state != WaitChecksum && m_state != WaitReady)
        return false;
    if (static_cast<uint32_t>(now - m_since) <= limit)
        return false;
    m_in.Reset();
    m_state = Idle;
    return true;
}

void CX10LinkMachine::Poll(uint32_t now, std::vector<Action>& actions)
{
    m_in.Reset();
    Enter(WaitUpload, now);
    Action answer;
    answer.kind = Action::SendByte;
    answer.byte = x10::kPollAnswer;
    actions.push_back(answer);
}

void CX10LinkMachine::Request(uint8_t byte, uint32_t now, std::vector<Action>& actions)
{
    Action answer;
    answer.kind = byte == x10::kTimeRequest ? Action::TimeAnswer : Action::OtherAnswer;
    actions.push_back(answer);
    Enter(Idle, now);
}

bool CX10LinkMachine::TakeUpload(uint32_t now, std::vector<Action>& actions)
{
    const uint8_t* bytes = m_in.ReadPos();
    const uint8_t size = bytes[0];
    if (size == x10::kPollSignal)
    {
        Poll(now, actions);
        return true;
    }
    if (size == 0)
    {
        // An empty upload: its size byte is all there is.
        m_in.Skip(1);
        Enter(Idle, now);
        return true;
    }
    if (size > x10::kMaxUpload)
    {
        // More than the stream can ever hold: it would never complete.
        m_in.Reset();
        Enter(Idle, now);
        return true;
    }
    if (m_in.Pending() < size + 1)
        return false;
    std::vector<X10Report> reports;
    x10::ParseUpload(bytes, size + 1, m_lastAddress, reports);
    m_in.Skip(size + 1);
    Enter(Idle, now);
    for (const X10Report& report : reports)
    {
        Action action;
        action.kind = Action::Report;
        action.report = report;
        actions.push_back(action);
    }
    return true;
}

void CX10LinkMachine::Feed(const uint8_t* bytes, int32_t length, uint32_t now, std::vector<Action>& actions)
{
    if (!bytes || length <= 0)
        return;
    m_in.Append(bytes, length);
    while (m_in.Pending() > 0)
    {
        if (m_state == WaitUpload)
        {
            if (!TakeUpload(now, actions))
                return;
            continue;
        }
        const uint8_t byte = m_in.ReadPos()[0];
        m_in.Skip(1);
        if (m_state == WaitChecksum && byte == m_expected)
        {
            actions.push_back(Action{Action::Confirmed, 0, {}});
            actions.push_back(Action{Action::SendByte, x10::kConfirm, {}});
            Enter(WaitReady, now);
        }
        else if (byte == x10::kPollSignal)
        {
            Poll(now, actions);
        }
        else if (m_state == WaitReady)
        {
            if (byte == x10::kReady)
            {
                actions.push_back(Action{Action::Ready, 0, {}});
                Enter(Idle, now);
            }
        }
        else if (byte == x10::kTimeRequest || byte == x10::kOtherRequest)
        {
            Request(byte, now, actions);
        }
    }
}
