// The send pump under each family's rule, on a device clock the test moves (no sleeps). Each
// message is one byte, its tag, so the transport's record reads as the order of the sends.
#include "devices/SendPump.h"
#include "devices/SendQueue.h"
#include "support/ToolkitTestDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{
using toolkit_test::CClockDevice;

// A driver's skeleton: its queue, its pump, and the pump reset when the link drops.
class CPumpDevice : public CClockDevice
{
public:
    explicit CPumpDevice(const SendPumpRules& rules) : pump(*this, queue, rules) {}
    void OnDisconnected() override
    {
        CClockDevice::OnDisconnected();
        pump.OnLinkLost();
    }
    bool Add(char tag) { return pump.Queue(tag, reinterpret_cast<const uint8_t*>(&tag), 1); }
    // One pump at the given device time.
    PumpStep At(uint32_t time)
    {
        SetDeviceTime(time);
        return pump.Pump();
    }
    std::string Sent() const { return transport->SentTags(); }

    CSendQueue queue{4};
    CSendPump pump;
};

SendPumpRules Rules(PopRule pop, uint32_t timeout, uint8_t resends = 0)
{
    SendPumpRules rules;
    rules.pop = pop;
    rules.answerTimeout = timeout;
    rules.resends = resends;
    return rules;
}

TEST(SendPump, OneMessageOutstandingUntilItsAnswer)
{
    CPumpDevice device(Rules(PopRule::OnAnswer, 12000));
    device.Add('a');
    device.Add('b');
    // Nothing is accepted before anything was sent.
    EXPECT_FALSE(device.pump.Accept('a'));
    EXPECT_EQ(device.At(0).kind, PumpStep::Sent);
    EXPECT_EQ(device.pump.GetState(), CSendPump::Waiting);
    EXPECT_EQ(device.At(10).kind, PumpStep::Nothing);
    EXPECT_EQ(device.Sent(), "a");
    // Only the head's tag releases it, once.
    EXPECT_FALSE(device.pump.Accept('b'));
    EXPECT_TRUE(device.pump.Accept('a'));
    EXPECT_FALSE(device.pump.Accept('a'));
    EXPECT_FALSE(device.pump.AcceptHead());
    EXPECT_EQ(device.pump.GetState(), CSendPump::Ready);
    PumpStep step = device.At(11);
    EXPECT_EQ(step.kind, PumpStep::Sent);
    EXPECT_EQ(step.tag, 'b');
    int32_t tag = 0;
    EXPECT_TRUE(device.pump.AcceptHead(&tag));
    EXPECT_EQ(tag, 'b');
    EXPECT_EQ(device.At(12).kind, PumpStep::Nothing);
    EXPECT_EQ(device.Sent(), "ab");
}

TEST(SendPump, DropAfterTheTimeOutWithoutResending)
{
    // Modbus: more than 12000 ms without a reply drops the head; the next leaves at the next pump.
    CPumpDevice device(Rules(PopRule::OnAnswer, 12000));
    device.Add('a');
    device.Add('b');
    device.At(100);
    EXPECT_EQ(device.At(12100).kind, PumpStep::Nothing);
    PumpStep step = device.At(12101);
    EXPECT_EQ(step.kind, PumpStep::Dropped);
    EXPECT_EQ(step.tag, 'a');
    EXPECT_EQ(device.At(12101).kind, PumpStep::Sent);
    EXPECT_EQ(device.Sent(), "ab");
    // An answer that comes after the drop no longer matches anything sent.
    EXPECT_FALSE(device.pump.Accept('a'));
}

TEST(SendPump, ResendsThenDrops)
{
    // SmartBus: sent at most four times, each followed by at least 501 ms of waiting.
    CPumpDevice device(Rules(PopRule::OnAnswer, 500, 3));
    device.Add('a');
    device.Add('b');
    uint32_t t = 0;
    std::vector<int> kinds;
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(device.At(t).kind, PumpStep::Sent) << i;
        EXPECT_EQ(device.At(t + 500).kind, PumpStep::Nothing) << i;
        kinds.push_back(device.At(t + 501).kind);
        t += 501;
    }
    EXPECT_EQ(kinds,
              (std::vector<int>{PumpStep::Resend, PumpStep::Resend, PumpStep::Resend, PumpStep::Dropped}));
    EXPECT_EQ(device.Sent(), "aaaa");
    EXPECT_EQ(device.pump.GetResendCount(), 0);
    EXPECT_EQ(device.At(t).kind, PumpStep::Sent);
    EXPECT_EQ(device.Sent(), "aaaab");
    // A resent head is still answered, and the count starts again.
    device.At(t + 501);
    device.At(t + 501);
    EXPECT_EQ(device.pump.GetResendCount(), 1);
    EXPECT_TRUE(device.pump.Accept('b'));
    EXPECT_EQ(device.pump.GetResendCount(), 0);
}

TEST(SendPump, ResendForeverAndPauseAfterTheAnswer)
{
    // KNX tunnelling: the head goes again after each second without an acknowledgement, and an
    // acknowledgement starts the configured pause before the next frame.
    SendPumpRules rules = Rules(PopRule::OnAnswer, 1000, SendPumpRules::kResendForever);
    rules.pauseAfterAnswer = 50;
    CPumpDevice device(rules);
    device.Add('a');
    device.Add('b');
    uint32_t t = 0;
    for (int i = 0; i < 300; ++i)
    {
        device.At(t);
        EXPECT_EQ(device.At(t + 1001).kind, PumpStep::Resend);
        t += 1001;
    }
    EXPECT_EQ(device.Sent().size(), 300u);
    device.At(t);
    device.SetDeviceTime(t + 10);
    EXPECT_TRUE(device.pump.Accept('a'));
    EXPECT_EQ(device.pump.GetState(), CSendPump::Pausing);
    EXPECT_EQ(device.At(t + 60).kind, PumpStep::Nothing);
    EXPECT_EQ(device.pump.GetState(), CSendPump::Pausing);
    EXPECT_EQ(device.At(t + 61).kind, PumpStep::Nothing); // the pause ends; nothing sent in this pump
    EXPECT_EQ(device.pump.GetState(), CSendPump::Ready);
    EXPECT_FALSE(device.pump.Accept('b')); // not sent yet
    EXPECT_EQ(device.At(t + 61).tag, 'b');
}

TEST(SendPump, PopOnSendWithAMinimumGap)
{
    // EPSNET: one message per 26 ms at most, no answer awaited.
    SendPumpRules rules = Rules(PopRule::OnSend, 0);
    rules.minGap = 26;
    CPumpDevice device(rules);
    device.Add('a');
    device.Add('b');
    device.Add('c');
    EXPECT_EQ(device.At(1000).kind, PumpStep::Sent);
    EXPECT_EQ(device.pump.GetState(), CSendPump::Ready);
    EXPECT_EQ(device.At(1025).kind, PumpStep::Nothing);
    EXPECT_EQ(device.At(1026).kind, PumpStep::Sent);
    EXPECT_EQ(device.At(1051).kind, PumpStep::Nothing);
    EXPECT_EQ(device.At(1052).kind, PumpStep::Sent);
    EXPECT_EQ(device.At(2000).kind, PumpStep::Nothing);
    EXPECT_EQ(device.Sent(), "abc");
    EXPECT_EQ(device.queue.GetCount(), 0);
    EXPECT_FALSE(device.pump.AcceptHead());
}

TEST(SendPump, PopOnSendForTagZeroOnly)
{
    // D12SS20: channel commands (tag 0) leave the queue when sent; requests wait 2000 ms.
    CPumpDevice device(Rules(PopRule::OnSendTagZero, 2000));
    device.pump.Queue(0, reinterpret_cast<const uint8_t*>("0"), 1);
    device.Add('r');
    device.pump.Queue(0, reinterpret_cast<const uint8_t*>("0"), 1);
    EXPECT_EQ(device.At(0).kind, PumpStep::Sent);
    EXPECT_EQ(device.At(0).kind, PumpStep::Sent);
    EXPECT_EQ(device.pump.GetState(), CSendPump::Waiting);
    EXPECT_EQ(device.At(2000).kind, PumpStep::Nothing);
    EXPECT_EQ(device.At(2001).kind, PumpStep::Dropped);
    EXPECT_EQ(device.At(2001).kind, PumpStep::Sent);
    EXPECT_EQ(device.Sent(), "0r0");
}

TEST(SendPump, QueueOnceKeepsOneRequestPerTag)
{
    CPumpDevice device(Rules(PopRule::OnAnswer, 1000));
    uint8_t b = 1;
    EXPECT_TRUE(device.pump.QueueOnce(5, &b, 1));
    EXPECT_FALSE(device.pump.QueueOnce(5, &b, 1));
    EXPECT_TRUE(device.pump.QueueOnce(0, &b, 1));
    EXPECT_TRUE(device.pump.QueueOnce(0, &b, 1));
    EXPECT_EQ(device.queue.GetCount(), 3);
    // Once sent and answered, the same request may be queued again.
    device.At(0);
    EXPECT_FALSE(device.pump.QueueOnce(5, &b, 1)); // still waiting at the head
    EXPECT_TRUE(device.pump.Accept(5));
    EXPECT_TRUE(device.pump.QueueOnce(5, &b, 1));
}

TEST(SendPump, LinkLossResetsEverything)
{
    SendPumpRules rules = Rules(PopRule::OnAnswer, 500, 3);
    rules.minGap = 100;
    rules.clearOnLinkLoss = true;
    CPumpDevice device(rules);
    device.Add('a');
    device.Add('b');
    device.At(0);
    device.At(501); // one resend counted
    EXPECT_EQ(device.pump.GetResendCount(), 1);
    device.pump.OnLinkLost();
    EXPECT_EQ(device.pump.GetState(), CSendPump::Ready);
    EXPECT_EQ(device.pump.GetResendCount(), 0);
    EXPECT_EQ(device.queue.GetCount(), 0);
    // No gap is owed to a send made over the old link.
    device.Add('c');
    EXPECT_EQ(device.At(502).kind, PumpStep::Sent);
    EXPECT_EQ(device.Sent(), "ac");
}

TEST(SendPump, ASendThatDropsTheLinkLeavesThePumpReady)
{
    // A TCP send that fails closes the link on the sending thread; the driver's OnDisconnected
    // resets the pump while the pump is still in its Pump call.
    CPumpDevice device(Rules(PopRule::OnAnswer, 1000));
    device.transport->SetConnected(true);
    device.transport->failSends = true;
    device.transport->closeOnFailedSend = true;
    device.Add('a');
    EXPECT_EQ(device.At(0).kind, PumpStep::SendFailed);
    EXPECT_EQ(device.disconnects, 1);
    EXPECT_EQ(device.pump.GetState(), CSendPump::Ready);
    EXPECT_EQ(device.queue.GetCount(), 1); // kept for the next link (these rules keep the queue)
    device.transport->failSends = false;
    EXPECT_EQ(device.At(1).kind, PumpStep::Sent);
}

// A serial transport refuses a message while it still writes the previous one. Under every pop
// rule the head must then stay where it is and go at the next pump: before, a pop-on-send head was
// popped before the refusal and lost, and a head awaiting an answer waited out its whole time-out
// for an answer to a message that never left.
struct BusyCase
{
    const char* name;
    PopRule pop;
    char head;
};

class SendPumpBusy : public testing::TestWithParam<BusyCase>
{
};

TEST_P(SendPumpBusy, ABusyTransportKeepsTheHeadForTheNextPump)
{
    const BusyCase& c = GetParam();
    SendPumpRules rules = Rules(c.pop, 1000, 2);
    rules.minGap = 26;
    CPumpDevice device(rules);
    device.Add('p'); // sent once before, so that the gap rule has a send to count from
    EXPECT_EQ(device.At(0).kind, PumpStep::Sent);
    device.pump.AcceptHead();
    device.Add(c.head);
    device.Add('z');
    device.transport->busy = true;
    for (uint32_t t : {100u, 100u, 101u})
    {
        PumpStep step = device.At(t);
        EXPECT_EQ(step.kind, PumpStep::Busy) << t;
        EXPECT_EQ(step.tag, c.head) << t;
        EXPECT_EQ(device.queue.GetCount(), 2) << t;
        EXPECT_EQ(device.queue.PeekTag(), c.head) << t;
        EXPECT_EQ(device.pump.GetState(), CSendPump::Ready) << t;
        EXPECT_EQ(device.pump.GetResendCount(), 0) << t;
    }
    // Nothing was sent, so nothing may be answered.
    EXPECT_FALSE(device.pump.AcceptHead());
    EXPECT_EQ(device.transport->busyRefusals, 3);
    device.transport->busy = false;
    // The refusals started no gap: the head leaves at the very next pump.
    PumpStep step = device.At(102);
    EXPECT_EQ(step.kind, PumpStep::Sent);
    EXPECT_EQ(step.tag, c.head);
    EXPECT_EQ(device.Sent(), std::string("p") + c.head);
    const bool answered = c.pop == PopRule::OnAnswer || (c.pop == PopRule::OnSendTagZero && c.head != 0);
    if (answered)
    {
        // Its time-out counts from the send that went, not from the refused ones.
        EXPECT_EQ(device.At(1102).kind, PumpStep::Nothing);
        EXPECT_TRUE(device.pump.Accept(c.head));
    }
    EXPECT_EQ(device.queue.PeekTag(), 'z');
    EXPECT_EQ(device.At(1200).kind, PumpStep::Sent);
    EXPECT_EQ(device.Sent(), std::string("p") + c.head + "z");
}

INSTANTIATE_TEST_SUITE_P(PopRules, SendPumpBusy,
                         testing::Values(BusyCase{"OnAnswer", PopRule::OnAnswer, 'a'},
                                         BusyCase{"OnSend", PopRule::OnSend, 'a'},
                                         BusyCase{"OnSendTagZeroCommand", PopRule::OnSendTagZero, 0},
                                         BusyCase{"OnSendTagZeroRequest", PopRule::OnSendTagZero, 'r'}),
                         [](const testing::TestParamInfo<BusyCase>& info)
                         { return std::string(info.param.name); });

TEST(SendPump, ABusyResendKeepsItsCount)
{
    // A resend refused by a busy transport is neither counted twice nor dropped early.
    CPumpDevice device(Rules(PopRule::OnAnswer, 500, 1));
    device.Add('a');
    device.At(0);
    EXPECT_EQ(device.At(501).kind, PumpStep::Resend);
    device.transport->busy = true;
    EXPECT_EQ(device.At(502).kind, PumpStep::Busy);
    EXPECT_EQ(device.At(2000).kind, PumpStep::Busy);
    device.transport->busy = false;
    EXPECT_EQ(device.At(2001).kind, PumpStep::Sent);
    EXPECT_EQ(device.pump.GetResendCount(), 1);
    EXPECT_EQ(device.At(2501).kind, PumpStep::Nothing);
    EXPECT_EQ(device.At(2502).kind, PumpStep::Dropped);
    EXPECT_EQ(device.Sent(), "aa");
}

TEST(SendPump, APopOnSendHeadRefusedForGoodIsStillPopped)
{
    // Without a link the message cannot wait: it goes as before, and the pump stays ready.
    CPumpDevice device(Rules(PopRule::OnSend, 0));
    device.transport->failSends = true;
    device.Add('a');
    device.Add('b');
    EXPECT_EQ(device.At(0).kind, PumpStep::SendFailed);
    EXPECT_EQ(device.queue.PeekTag(), 'b');
}

TEST(SendPump, FlushSendsWhatTheLinkTakesAndDropsWhatItRefuses)
{
    // Immediate messages: all leave while the link takes them; a busy link keeps the rest queued;
    // without a link everything queued is refused and dropped, and Flush says so.
    CPumpDevice device(SendPumpRules::Immediate());
    device.Add('a');
    device.Add('b');
    device.SetDeviceTime(0);
    EXPECT_TRUE(device.pump.Flush());
    EXPECT_EQ(device.Sent(), "ab");
    EXPECT_EQ(device.queue.GetCount(), 0);
    device.transport->busy = true;
    device.Add('c');
    EXPECT_TRUE(device.pump.Flush());
    EXPECT_EQ(device.queue.PeekTag(), 'c');
    device.transport->busy = false;
    device.transport->failSends = true;
    device.Add('d');
    EXPECT_FALSE(device.pump.Flush());
    EXPECT_EQ(device.queue.GetCount(), 0);
    EXPECT_EQ(device.Sent(), "ab");
}

TEST(SendPump, TimesSurviveTheClockWrap)
{
    CPumpDevice device(Rules(PopRule::OnAnswer, 1000));
    device.Add('a');
    device.At(0xFFFFFF00u);
    EXPECT_EQ(device.At(0x000002E8u).kind, PumpStep::Nothing); // 1000 ms later
    EXPECT_EQ(device.At(0x000002E9u).kind, PumpStep::Dropped);
}

TEST(SendPump, WithoutATransportTheSendFails)
{
    CPumpDevice device(Rules(PopRule::OnSend, 0));
    device.DeleteTransport();
    device.Add('a');
    EXPECT_EQ(device.At(0).kind, PumpStep::SendFailed);
    EXPECT_EQ(device.queue.GetCount(), 0);
}

TEST(SendPump, AQueueEmptiedWhileWaitingMakesThePumpReady)
{
    CPumpDevice device(Rules(PopRule::OnAnswer, 1000));
    device.Add('a');
    device.At(0);
    device.queue.Clear();
    EXPECT_EQ(device.At(1).kind, PumpStep::Nothing);
    EXPECT_EQ(device.pump.GetState(), CSendPump::Ready);
    device.Add('b');
    EXPECT_EQ(device.At(2).kind, PumpStep::Sent);
    EXPECT_EQ(device.Sent(), "ab");
}

TEST(SendPump, TheTickAndTheTransportThreadShareIt)
{
    // The tick thread pumps and queues while the transport thread accepts answers and drops the
    // link now and then: every message is sent at least once and the pump ends idle.
    CPumpDevice device(Rules(PopRule::OnAnswer, 0, SendPumpRules::kResendForever));
    std::atomic<bool> done{false};
    std::thread transport(
        [&]
        {
            int n = 0;
            while (!done.load())
            {
                if (device.pump.AcceptHead() && ++n % 50 == 0)
                    device.pump.OnLinkLost();
                std::this_thread::yield(); // leaves the tick loop its turn on a busy machine
            }
        });
    for (int i = 0; i < 2000; ++i)
    {
        device.Add(static_cast<char>('a' + i % 26));
        device.pump.Pump();
    }
    while (device.queue.GetCount() > 0)
        device.pump.Pump();
    done = true;
    transport.join();
    EXPECT_GE(device.transport->sent.size(), 2000u);
    EXPECT_EQ(device.queue.GetCount(), 0);
}
} // namespace
