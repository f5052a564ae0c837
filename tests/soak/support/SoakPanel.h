#pragma once
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "app/ClientDlg.h"
#include "devices/TCPTransport.h"

// The whole panel (the real tick thread and the real devices) with the device part of every tick
// timed. Each device's calls are timed on their own, so that a long gap between two ticks can be
// laid at the door of the one device call that took the time (the send rule of a stalled link
// keeps the tick in that device's send for up to a second).
//
// The figures are written by the tick thread only; read them after the run (DoModal has joined
// the tick thread by then).
class CSoakPanel : public CClientDlg
{
public:
    using Clock = std::chrono::steady_clock;

    // A device call that waited at least one of the send rule's waits: the device, how long the
    // call took, and whether the rule fired (the call lasted the rule's whole second and left down
    // the link that was up before it).
    struct SendWait
    {
        int32_t device;
        double ms;
        bool fired;
    };

    // A gap between two ticks longer than kLongTickMs: when it ended, how long it was, the
    // longest single device call in it (device -1: none), all device calls together, and the
    // interface's update and flush. The rest is the tick's sleep, the wait for the window lock
    // and the time the thread was not scheduled.
    struct LongTick
    {
        double endMs;
        double gapMs;
        double callMs;
        int32_t device;
        double devicesMs;
        double interfaceMs;
        // How long the tick thread stood ready to run without a core during the gap, and how long
        // it ran (the rest it was blocked: its sleep, or a lock).
        double waitMs;
        double runMs;
        // The main thread's run-queue wait during the gap: while it stands ready to run holding the
        // back end's lock (presenting), the interface calls wait for it.
        double mainWaitMs;
        // Of devicesMs, the soak's own looks: at the threads' times (/proc) before the calls, and at
        // each device's link and state after its calls (it takes the transport's lock, which the
        // transport's worker holds now and then).
        double probeMs;
        // The calls of the gap that waited for a send (several devices may wait in one tick).
        std::vector<SendWait> sendWaits;
        // Set by the reader: the panel's own share of the gap, and whether the send rule or the
        // machine accounts for the gap.
        double ownMs = 0;
        bool explained = false;
        const char* cause = "";
        std::string sendWaitText = std::string();
    };

    struct DeviceFigures
    {
        // Times the device's link was seen to come up, and the device to go online.
        uint32_t linkUps = 0;
        uint32_t onlines = 0;
        uint32_t presses = 0;
        double longestCallMs = 0;
        // Calls that ended in the send rule, and how long each took.
        std::vector<double> firings;
    };

    static constexpr double kLongTickMs = 20.0;
    // The tick thread's sleep between ticks.
    static constexpr double kTickSleepMs = 5.0;
    // The send rule of the TCP and UDP transports: a send that the peer does not take waits up to
    // kSendWaits times kSendWaitMs, then closes the link.
    static constexpr double kSendWaitMs = CTCPTransport::kSendWaitMs;
    static constexpr double kSendRuleMs = CTCPTransport::kSendWaits * kSendWaitMs;

    // `pressPeriodMs[i]`: device i (table order) has channel 1 to press, every that many ms; 0
    // (or no entry): none.
    CSoakPanel(const char16_t* path, std::vector<double> pressPeriodMs);

    // The calling thread's time on a core and its run-queue wait so far (ms), from
    // /proc/thread-self/schedstat; 0 when the kernel does not keep them.
    static void ThreadTimes(double& runMs, double& waitMs);
    // The same of the process's main thread.
    static void MainThreadTimes(double& runMs, double& waitMs);
    // Milliseconds of the steady clock (CLOCK_MONOTONIC, as the peer's stall windows).
    static double NowMs();

    uint64_t Ticks() const { return m_ticks; }
    double LongestGapMs() const { return m_longestGap; }
    // The longest gap of those no longer than kLongTickMs (the run-queue wait included).
    double LongestShortGapMs() const { return m_longestShortGap; }
    std::vector<LongTick>& LongTicks() { return m_longTicks; }
    const std::vector<DeviceFigures>& Devices() const { return m_devices; }

protected:
    void UpdateDevices() override;
    void UpdateInterface(uint32_t elapsedMs) override;
    void FlushInterface() override;

private:
    void CallDevice(int32_t index);

    std::vector<double> m_pressPeriod;
    std::vector<double> m_lastPress;
    std::vector<DeviceFigures> m_devices;
    std::vector<uint8_t> m_wasUp;
    std::vector<uint8_t> m_wasOnline;
    std::vector<LongTick> m_longTicks;
    uint64_t m_ticks = 0;
    double m_previousTick = -1;
    double m_previousWait = 0;
    double m_previousRun = 0;
    double m_previousMainWait = 0;
    double m_longestGap = 0;
    double m_longestShortGap = 0;
    // The longest device call of the previous tick: the gap measured now ran through it.
    double m_previousCall = 0;
    int32_t m_previousCallDevice = -1;
    std::vector<SendWait> m_previousSendWaits;
    double m_slowestCall = 0;
    int32_t m_slowestDevice = -1;
    std::vector<SendWait> m_sendWaits;
    double m_previousDevices = 0;
    double m_probe = 0;
    double m_previousProbe = 0;
    // The interface's update and flush since the last device calls.
    double m_interface = 0;
};
