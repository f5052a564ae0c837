#include "SoakPanel.h"

#include <algorithm>
#include <fstream>
#include <string>

#include <unistd.h>

#include "common/Vector.h"
#include "devices/AbstractDevice.h"
#include "devices/AbstractTransport.h"

CSoakPanel::CSoakPanel(const char16_t* path, std::vector<double> pressPeriodMs)
    : CClientDlg(path, nullptr), m_pressPeriod(std::move(pressPeriodMs)), m_lastPress(m_pressPeriod.size(), 0)
{
}

double CSoakPanel::NowMs()
{
    return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

namespace
{
void ReadSchedStat(const std::string& path, double& runMs, double& waitMs)
{
    // "time on the cpu, time waiting on a run queue, time slices", in nanoseconds.
    std::ifstream stat(path);
    unsigned long long running = 0;
    unsigned long long waiting = 0;
    stat >> running >> waiting;
    runMs = static_cast<double>(running) / 1e6;
    waitMs = static_cast<double>(waiting) / 1e6;
}
} // namespace

void CSoakPanel::ThreadTimes(double& runMs, double& waitMs)
{
    ReadSchedStat("/proc/thread-self/schedstat", runMs, waitMs);
}

void CSoakPanel::MainThreadTimes(double& runMs, double& waitMs)
{
    // The main thread's id is the process id.
    ReadSchedStat("/proc/self/task/" + std::to_string(getpid()) + "/schedstat", runMs, waitMs);
}

void CSoakPanel::UpdateDevices()
{
    double now = NowMs();
    double run = 0;
    double wait = 0;
    ThreadTimes(run, wait);
    double mainRun = 0;
    double mainWait = 0;
    MainThreadTimes(mainRun, mainWait);
    if (m_previousTick >= 0)
    {
        double gap = now - m_previousTick;
        m_longestGap = std::max(m_longestGap, gap);
        if (gap > kLongTickMs)
            m_longTicks.push_back({now, gap, m_previousCall, m_previousCallDevice, m_previousDevices,
                                   m_interface, wait - m_previousWait, run - m_previousRun,
                                   mainWait - m_previousMainWait, m_previousProbe, m_previousSendWaits});
        else
            m_longestShortGap = std::max(m_longestShortGap, gap);
    }
    m_previousTick = now;
    m_previousWait = wait;
    m_previousRun = run;
    m_previousMainWait = mainWait;
    m_interface = 0;
    ++m_ticks;

    CVector* list = GetDeviceList();
    if (!list)
        return;
    int32_t count = list->GetCount();
    if (m_devices.size() != static_cast<size_t>(count))
    {
        m_devices.resize(static_cast<size_t>(count));
        m_wasUp.resize(static_cast<size_t>(count), 0);
        m_wasOnline.resize(static_cast<size_t>(count), 0);
    }
    m_slowestCall = 0;
    m_slowestDevice = -1;
    m_sendWaits.clear();
    m_probe = NowMs() - now;
    // What the panel's own UpdateDevices does (each device's Update, in table order), one device
    // at a time under the clock.
    for (int32_t i = 0; i < count; ++i)
        CallDevice(i);
    m_previousCall = m_slowestCall;
    m_previousCallDevice = m_slowestDevice;
    m_previousSendWaits.swap(m_sendWaits);
    m_previousDevices = NowMs() - now;
    m_previousProbe = m_probe;
}

void CSoakPanel::UpdateInterface(uint32_t elapsedMs)
{
    double start = NowMs();
    CClientDlg::UpdateInterface(elapsedMs);
    m_interface += NowMs() - start;
}

void CSoakPanel::FlushInterface()
{
    double start = NowMs();
    CClientDlg::FlushInterface();
    m_interface += NowMs() - start;
}

void CSoakPanel::CallDevice(int32_t index)
{
    CAbstractDevice* device = GetDeviceList()->Get<CAbstractDevice>(index);
    if (!device)
        return;
    const size_t slot = static_cast<size_t>(index);
    DeviceFigures& figures = m_devices[slot];
    double start = NowMs();
    device->Update();
    // Presses come from the tick thread, as an item's would.
    if (slot < m_pressPeriod.size() && m_pressPeriod[slot] > 0 &&
        start - m_lastPress[slot] >= m_pressPeriod[slot])
    {
        m_lastPress[slot] = start;
        device->Press(1, nullptr);
        device->Release(1, nullptr);
        ++figures.presses;
    }
    double took = NowMs() - start;
    figures.longestCallMs = std::max(figures.longestCallMs, took);

    double probeStart = NowMs();
    CAbstractTransport* transport = device->GetTransport();
    uint8_t up = transport && transport->IsConnected() ? 1 : 0;
    // The send rule fired when the call lasted the rule's whole second and left down the link that
    // was up at the last look: nothing else in a device call waits that long.
    bool fired = took >= kSendRuleMs && m_wasUp[slot] && !up;
    if (fired)
        figures.firings.push_back(took);
    if (took >= kSendWaitMs)
        m_sendWaits.push_back({index, took, fired});
    if (took > m_slowestCall)
    {
        m_slowestCall = took;
        m_slowestDevice = index;
    }
    if (up && !m_wasUp[slot])
        ++figures.linkUps;
    m_wasUp[slot] = up;
    uint8_t online = device->GetState() == CAbstractDevice::StateOnline ? 1 : 0;
    if (online && !m_wasOnline[slot])
        ++figures.onlines;
    m_wasOnline[slot] = online;
    m_probe += NowMs() - probeStart;
}
