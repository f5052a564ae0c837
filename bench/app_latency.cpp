// End-to-end latency of the running panel, through the real tick thread, back end and custom TCP
// device, against a peer on 127.0.0.1:
//   touch -> wire:      a pointer press handed to the main thread's event handler (which pushes it
//                       into the mouse queue) until the first byte of the button's press reaches
//                       the peer;
//   feedback -> pixels: the peer's feedback bytes sent until the button's new look is in the
//                       drawing surface (checked at the end of every flush, on the tick thread).
// Each sample starts at a random moment, so the samples spread over the whole tick. The counters
// give the median and 99th percentile in ticks of 5 ms and in ms; the two parts of a sample, the
// wait for the tick that takes the input up (wait_*) and the rest of that tick (in_tick_*); and two
// references taken in the same run on the same (shared, noisy) machine: a bare loopback send ->
// receive between two threads, and the tick thread's real period (the 5 ms sleep plus the tick's
// own work). A touch or a feedback that waited a whole extra tick would show as a median near 1.5
// ticks; scheduling noise shows in the p99 of the references as much as in the samples'.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <random>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/ClientDlg.h"
#include "common/NerulanCriticalSection.h"
#include "devices/AbstractDevice.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogItem.h"
#include "render/PixelBuffer.h"
#include "tools/writer/InterfaceFileWriter.h"
#include "tools/writer/PageRecordWriter.h"

namespace
{
// The tick thread sleeps this long after every tick (app/ClientDlgTick.cpp).
constexpr double kTickMs = 5.0;
constexpr int kSamples = 400;
// Far longer than any sample can take on a working panel: a sample past it is a failure.
constexpr int64_t kSampleTimeoutNs = 2'000'000'000;
constexpr int64_t kStartTimeoutNs = 10'000'000'000;

// The interface: one page with one button bound to the custom TCP device. A press sends
// kPressBytes; kOnBytes and kOffBytes from the peer set the button's state 1 and 0 by its id.
constexpr uint16_t kDesignWidth = 320;
constexpr uint16_t kDesignHeight = 240;
constexpr int16_t kButtonX = 40;
constexpr int16_t kButtonY = 40;
constexpr uint16_t kButtonWidth = 160;
constexpr uint16_t kButtonHeight = 80;
constexpr uint32_t kDeviceId = 1;
constexpr uint32_t kCustomTcpDevice = 0x61;
constexpr uint32_t kPressChannel = 10;
constexpr uint32_t kOnChannel = 20;
constexpr uint32_t kOffChannel = 30;
constexpr uint8_t kCustomPress = 1;
constexpr uint8_t kCustomFeedback = 3;
constexpr uint8_t kReportStateById = 59;
// Items are numbered from 1 in the order they are made, 0xFF in the top byte: the root, the
// Loading page, its splash picture and progress bar, then the page and its button.
constexpr uint32_t kButtonItemId = 0xFF000006u;
const char* const kPressBytes = "LAMP TOGGLE\r\n";
const char* const kOnBytes = "LAMP=ON\r\n";
const char* const kOffBytes = "LAMP=OFF\r\n";

int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Nearest-rank percentile of the samples (ns), in ms.
double PercentileMs(std::vector<int64_t> samples, double q)
{
    if (samples.empty())
        return 0.0;
    std::sort(samples.begin(), samples.end());
    size_t rank = static_cast<size_t>(std::ceil(q * static_cast<double>(samples.size())));
    rank = std::clamp<size_t>(rank, 1, samples.size());
    return static_cast<double>(samples[rank - 1]) / 1e6;
}

bool StartSdl()
{
    static const bool started = []
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("ALSOFT_DRIVERS", "null", 1);
        setenv("NERULAN_NO_MESSAGE_BOX", "1", 1);
        return SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
    }();
    return started;
}

bool WriteInterfaceFile(const std::string& path, uint16_t port)
{
    CInterfaceFileWriter w;
    CInterfaceFileWriter::Header header;
    header.designWidth = kDesignWidth;
    header.designHeight = kDesignHeight;
    w.PutHeader(header);

    CInterfaceFileWriter::Device device;
    device.id = kDeviceId;
    device.type = kCustomTcpDevice;
    device.host = "127.0.0.1";
    device.port = port;
    device.channels.push_back(
        {kPressChannel, 0, 0, 0, CInterfaceFileWriter::CustomChannelBlob(kCustomPress, 0, 0, kPressBytes)});
    device.channels.push_back(
        {kOnChannel, 0, kReportStateById, 0,
         CInterfaceFileWriter::CustomChannelBlob(kCustomFeedback, kButtonItemId, 1, kOnBytes)});
    device.channels.push_back(
        {kOffChannel, 0, kReportStateById, 0,
         CInterfaceFileWriter::CustomChannelBlob(kCustomFeedback, kButtonItemId, 0, kOffBytes)});
    w.PutDeviceTable({device});

    PageRecordWriter::PageRecord page;
    page.name = "Main";
    page.state.fillColor = 0x1B2A3AFF;
    PageRecordWriter::ChildRecord button;
    button.name = "Lamp";
    button.item.x = kButtonX;
    button.item.y = kButtonY;
    button.item.width = kButtonWidth;
    button.item.height = kButtonHeight;
    // No text: the look is the fill alone, so no font is needed.
    button.item.states.resize(2);
    button.item.states[0].fillColor = 0x2E4A62FF;
    button.item.states[1].fillColor = 0xC9A227FF;
    button.item.addresses.push_back(kDeviceId << 16 | kPressChannel);
    page.children.push_back(button);

    w.PutResourceStart(1, "Main");
    w.PutCount(0); // images
    w.PutCount(0); // icons
    w.PutCount(0); // fonts
    if (w.HasSoundsSection())
        w.PutCount(0);
    w.PutCount(1);
    PageRecordWriter::PutPage(w, page);
    w.PutCount(0); // popups
    return w.Save(path);
}

// A TCP listener on 127.0.0.1 that takes one connection; a thread of its own receives from it
// and notes when the first byte after Arm arrives (the time is taken as recv returns).
class CLoopbackPeer
{
public:
    CLoopbackPeer() = default;
    CLoopbackPeer(const CLoopbackPeer&) = delete;
    CLoopbackPeer& operator=(const CLoopbackPeer&) = delete;

    ~CLoopbackPeer()
    {
        if (m_socket >= 0)
            shutdown(m_socket, SHUT_RDWR);
        if (m_reader.joinable())
            m_reader.join();
        if (m_socket >= 0)
            close(m_socket);
        if (m_listener >= 0)
            close(m_listener);
    }

    // Listens on an ephemeral port; false when no socket can be had.
    bool Listen()
    {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        if (m_listener < 0)
            return false;
        sockaddr_in address = Loopback(0);
        socklen_t length = sizeof(address);
        if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            listen(m_listener, 1) != 0 ||
            getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return false;
        m_port = ntohs(address.sin_port);
        return true;
    }

    uint16_t Port() const { return m_port; }
    bool Connected() const { return m_socket >= 0; }

    // Takes the connection when one is waiting (does not block) and starts the reader.
    bool TryAccept()
    {
        if (m_socket >= 0)
            return true;
        pollfd ready{m_listener, POLLIN, 0};
        if (poll(&ready, 1, 0) != 1)
            return false;
        m_socket = accept(m_listener, nullptr, nullptr);
        if (m_socket < 0)
            return false;
        int one = 1;
        setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        m_reader = std::thread([this] { ReadLoop(); });
        return true;
    }

    void Arm()
    {
        m_firstByteNs.store(0);
        m_armed.store(true);
    }
    // The time of the first byte after Arm; 0 until one has arrived.
    int64_t FirstByteNs() const { return m_firstByteNs.load(); }

    bool Send(const char* text)
    {
        size_t length = std::strlen(text);
        return m_socket >= 0 && send(m_socket, text, length, MSG_NOSIGNAL) == static_cast<ssize_t>(length);
    }

    static sockaddr_in Loopback(uint16_t port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        return address;
    }

private:
    void ReadLoop()
    {
        char buffer[4096];
        for (;;)
        {
            ssize_t got = recv(m_socket, buffer, sizeof(buffer), 0);
            int64_t at = NowNs();
            if (got <= 0)
                return;
            if (m_armed.exchange(false))
                m_firstByteNs.store(at);
        }
    }

    int m_listener = -1;
    int m_socket = -1;
    uint16_t m_port = 0;
    std::thread m_reader;
    std::atomic<bool> m_armed{false};
    std::atomic<int64_t> m_firstByteNs{0};
};

// The panel as the program runs it, with one hook: at the end of every flush (the tick thread's
// last step) it notes the tick's time and whether the watched pixel has changed.
class CLatencyPanel : public CClientDlg
{
public:
    explicit CLatencyPanel(const std::u16string& path) : CClientDlg(path.c_str(), nullptr) {}
    ~CLatencyPanel() override { Shutdown(); }

    // Main thread: the current value of the watched pixel (read under the back end's lock); the
    // next flush that leaves another value there notes its time.
    void WatchPixelChange()
    {
        uint32_t now = 0;
        {
            CCriticalSectionGuard guard(GetBackEnd()->GetLock());
            now = ReadPixel();
        }
        m_changedNs.store(0);
        m_drainNs.store(0);
        m_before.store(now);
        m_watching.store(true);
    }
    int64_t PixelChangedNs() const { return m_changedNs.load(); }
    // When the devices' drain of the tick that changed the watched pixel began.
    int64_t DrainNs() const { return m_drainNs.load(); }

    // Main thread, before a press: the tick that dispatches the next press notes its time.
    void WatchDispatch()
    {
        m_dispatchNs.store(0);
        m_watchingDispatch.store(true);
    }
    int64_t DispatchNs() const { return m_dispatchNs.load(); }

    void ClearTickTimes()
    {
        std::lock_guard<std::mutex> guard(m_tickLock);
        m_tickTimes.clear();
    }
    // The periods between the flushes since ClearTickTimes.
    std::vector<int64_t> TickPeriods() const
    {
        std::lock_guard<std::mutex> guard(m_tickLock);
        std::vector<int64_t> periods;
        for (size_t i = 1; i < m_tickTimes.size(); ++i)
            periods.push_back(m_tickTimes[i] - m_tickTimes[i - 1]);
        return periods;
    }

protected:
    void DispatchPointer(uint8_t kind, int32_t x, int32_t y) override
    {
        if (kind == CMouseData::Down && m_watchingDispatch.exchange(false))
            m_dispatchNs.store(NowNs());
        CClientDlg::DispatchPointer(kind, x, y);
    }

    void UpdateDevices() override
    {
        m_devicesNs = NowNs();
        CClientDlg::UpdateDevices();
    }

    void FlushInterface() override
    {
        CClientDlg::FlushInterface();
        int64_t at = NowNs();
        {
            std::lock_guard<std::mutex> guard(m_tickLock);
            m_tickTimes.push_back(at);
        }
        if (m_watching.load() && ReadPixel() != m_before.load())
        {
            m_drainNs.store(m_devicesNs);
            m_changedNs.store(at);
            m_watching.store(false);
        }
    }

private:
    // The middle of the button, in the surface (design coordinates).
    uint32_t ReadPixel() const
    {
        CPixelBuffer* surface = GetBackEnd() ? GetBackEnd()->GetSurface() : nullptr;
        const int32_t x = kButtonX + kButtonWidth / 2;
        const int32_t y = kButtonY + kButtonHeight / 2;
        if (!surface || !surface->pixels || x >= surface->width || y >= surface->height)
            return 0;
        uint32_t pixel = 0;
        std::memcpy(&pixel, surface->Row(y) + x * 4, sizeof(pixel));
        return pixel;
    }

    std::atomic<bool> m_watching{false};
    std::atomic<uint32_t> m_before{0};
    std::atomic<int64_t> m_changedNs{0};
    std::atomic<int64_t> m_drainNs{0};
    // Tick thread only: when this tick's device drain began.
    int64_t m_devicesNs = 0;
    std::atomic<bool> m_watchingDispatch{false};
    std::atomic<int64_t> m_dispatchNs{0};
    mutable std::mutex m_tickLock;
    std::vector<int64_t> m_tickTimes;
};

// Everything one benchmark runs against: the interface file in a folder of its own, the device's
// peer, a second peer with a client socket for the bare loopback reference, and the panel.
class CLatencyRig
{
public:
    ~CLatencyRig()
    {
        m_panel.reset();
        if (m_referenceClient >= 0)
            close(m_referenceClient);
        std::error_code ignored;
        if (!m_folder.empty())
            std::filesystem::remove_all(m_folder, ignored);
    }

    // Null when everything runs; else what failed.
    const char* Start()
    {
        if (!StartSdl())
            return "SDL cannot start with the dummy video driver";
        if (!m_device.Listen() || !m_reference.Listen())
            return "no loopback listener";
        if (!ConnectReference())
            return "the reference link cannot connect";
        char folder[] = "/tmp/nerulan-latency-XXXXXX";
        if (!mkdtemp(folder))
            return "no temporary folder";
        m_folder = folder;
        const std::string path = m_folder + "/Main.qvr";
        if (!WriteInterfaceFile(path, m_device.Port()))
            return "the interface file cannot be written";
        // Item ids count on over the whole process, as the program makes one panel per run: the
        // file's feedback names the button by the id it gets in a fresh process.
        SetItemIdCounter(0);
        m_panel = std::make_unique<CLatencyPanel>(std::u16string(path.begin(), path.end()));
        if (!m_panel->CreateMainWindow() || !m_panel->OnInitDialog())
            return "the panel does not start";
        // The tick thread loads the file and connects the device; this thread pumps the window's
        // events meanwhile, as the program's main thread does.
        const int64_t start = NowNs();
        while (!Running())
        {
            if (NowNs() - start > kStartTimeoutNs)
                return "the panel did not load and connect in time";
            PumpEvents();
            m_device.TryAccept();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        // Some ticks so that the first page is drawn whole and the tick's real period is known.
        m_panel->ClearTickTimes();
        for (int i = 0; i < 200; ++i)
        {
            PumpEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::vector<int64_t> periods = m_panel->TickPeriods();
        if (periods.empty())
            return "the tick thread does not flush";
        std::sort(periods.begin(), periods.end());
        m_periodNs = periods[periods.size() / 2];
        return nullptr;
    }

    CLatencyPanel& Panel() { return *m_panel; }
    CLoopbackPeer& DevicePeer() { return m_device; }

    // The main thread's part while a sample runs: the presents the tick thread asks for.
    void PumpEvents()
    {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            m_panel->HandleEvent(event);
    }

    // Waits (pumping events) until `done` answers a time; 0 after the time-out.
    template <class Fn> int64_t WaitFor(Fn done)
    {
        const int64_t start = NowNs();
        for (;;)
        {
            int64_t at = done();
            if (at != 0)
                return at;
            if (NowNs() - start > kSampleTimeoutNs)
                return 0;
            PumpEvents();
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    }

    // A pointer event as SDL hands it to the main thread.
    void Pointer(uint32_t type)
    {
        SDL_Event event;
        SDL_zero(event);
        event.type = type;
        event.button.windowID = SDL_GetWindowID(m_panel->GetWindow());
        event.button.button = SDL_BUTTON_LEFT;
        event.button.x = kButtonX + kButtonWidth / 2;
        event.button.y = kButtonY + kButtonHeight / 2;
        m_panel->HandleEvent(event);
    }

    // One bare loopback send -> receive between this thread and the reference peer's thread.
    int64_t ReferenceSample()
    {
        m_reference.Arm();
        const int64_t sent = NowNs();
        if (send(m_referenceClient, "x", 1, MSG_NOSIGNAL) != 1)
            return -1;
        int64_t received = WaitFor([this] { return m_reference.FirstByteNs(); });
        return received == 0 ? -1 : received - sent;
    }

    // A sample ends at a fixed point of the tick (just after the tick's send or flush). A pause
    // spread evenly over one real tick period lets the next sample start anywhere in the tick
    // with the same chance; a longer or shorter spread would favour some of its moments.
    void RandomPause()
    {
        std::uniform_int_distribution<int64_t> pause(0, m_periodNs - 1);
        std::this_thread::sleep_for(std::chrono::nanoseconds(pause(m_random)));
    }

private:
    bool Running()
    {
        if (!m_panel->IsLoaded() || !m_device.Connected() || !m_panel->GetDeviceList() ||
            m_panel->GetDeviceList()->GetCount() != 1)
            return false;
        CAbstractDevice* device = m_panel->GetDeviceList()->Get<CAbstractDevice>(0);
        return device && device->GetState() == CAbstractDevice::StateOnline;
    }

    bool ConnectReference()
    {
        m_referenceClient = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = CLoopbackPeer::Loopback(m_reference.Port());
        if (m_referenceClient < 0 ||
            connect(m_referenceClient, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
            return false;
        int one = 1;
        setsockopt(m_referenceClient, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        const int64_t start = NowNs();
        while (!m_reference.TryAccept())
        {
            if (NowNs() - start > kStartTimeoutNs)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    CLoopbackPeer m_device;
    CLoopbackPeer m_reference;
    int m_referenceClient = -1;
    std::string m_folder;
    std::unique_ptr<CLatencyPanel> m_panel;
    std::mt19937_64 m_random{20261211};
    int64_t m_periodNs = static_cast<int64_t>(kTickMs * 1e6);
};

// The samples of one benchmark: the whole latency, and its two parts - the wait for the tick that
// takes the input up, and the rest of that tick (with the wire for a press).
struct LatencySamples
{
    std::vector<int64_t> total;
    std::vector<int64_t> wait;
    std::vector<int64_t> inTick;
    std::vector<int64_t> reference;

    // One sample: the input at `start`, taken up by a tick at `handled`, done at `end`; then a
    // bare loopback sample beside it.
    void Add(benchmark::State& state, CLatencyRig& rig, int64_t start, int64_t handled, int64_t end)
    {
        total.push_back(end - start);
        wait.push_back(handled - start);
        inTick.push_back(end - handled);
        state.SetIterationTime(static_cast<double>(end - start) / 1e9);
        const int64_t bare = rig.ReferenceSample();
        if (bare > 0)
            reference.push_back(bare);
    }
};

void ReportCounters(benchmark::State& state, const LatencySamples& samples, const std::vector<int64_t>& ticks)
{
    const double p50 = PercentileMs(samples.total, 0.50);
    const double p99 = PercentileMs(samples.total, 0.99);
    state.counters["p50_ms"] = p50;
    state.counters["p99_ms"] = p99;
    state.counters["p50_ticks"] = p50 / kTickMs;
    state.counters["p99_ticks"] = p99 / kTickMs;
    state.counters["wait_p50_ms"] = PercentileMs(samples.wait, 0.50);
    state.counters["wait_p99_ms"] = PercentileMs(samples.wait, 0.99);
    state.counters["in_tick_p50_ms"] = PercentileMs(samples.inTick, 0.50);
    state.counters["in_tick_p99_ms"] = PercentileMs(samples.inTick, 0.99);
    state.counters["ref_loopback_p50_ms"] = PercentileMs(samples.reference, 0.50);
    state.counters["ref_loopback_p99_ms"] = PercentileMs(samples.reference, 0.99);
    state.counters["tick_period_p50_ms"] = PercentileMs(ticks, 0.50);
    state.counters["tick_period_p99_ms"] = PercentileMs(ticks, 0.99);
}

// Press -> the first byte of the press at the peer. The release follows each sample at once.
// Parts: the press waits in the mouse queue until a tick dispatches it; the tick then plays the
// button's press sequence and the bytes cross the loopback.
void BM_TouchToWire(benchmark::State& state)
{
    CLatencyRig rig;
    if (const char* failure = rig.Start())
    {
        state.SkipWithError(failure);
        return;
    }
    LatencySamples samples;
    rig.Panel().ClearTickTimes();
    for (auto _ : state)
    {
        rig.RandomPause();
        rig.DevicePeer().Arm();
        rig.Panel().WatchDispatch();
        const int64_t touched = NowNs();
        rig.Pointer(SDL_MOUSEBUTTONDOWN);
        const int64_t received = rig.WaitFor([&rig] { return rig.DevicePeer().FirstByteNs(); });
        rig.Pointer(SDL_MOUSEBUTTONUP);
        const int64_t dispatched = rig.Panel().DispatchNs();
        if (received == 0 || dispatched == 0)
        {
            state.SkipWithError("the press never reached the peer");
            break;
        }
        samples.Add(state, rig, touched, dispatched, received);
    }
    ReportCounters(state, samples, rig.Panel().TickPeriods());
}
BENCHMARK(BM_TouchToWire)->Iterations(kSamples)->UseManualTime()->Unit(benchmark::kMillisecond);

// Feedback bytes sent by the peer -> the button's new look in the surface. The peer alternates
// the on and off patterns, so every sample changes the pixels. Parts: the bytes cross the
// loopback, the transport's thread posts the event, and it waits until a tick drains the device;
// that tick then draws the button and flushes.
void BM_FeedbackToPixels(benchmark::State& state)
{
    CLatencyRig rig;
    if (const char* failure = rig.Start())
    {
        state.SkipWithError(failure);
        return;
    }
    LatencySamples samples;
    bool on = false;
    rig.Panel().ClearTickTimes();
    for (auto _ : state)
    {
        rig.RandomPause();
        on = !on;
        rig.Panel().WatchPixelChange();
        const int64_t sent = NowNs();
        if (!rig.DevicePeer().Send(on ? kOnBytes : kOffBytes))
        {
            state.SkipWithError("the peer cannot send");
            break;
        }
        const int64_t drawn = rig.WaitFor([&rig] { return rig.Panel().PixelChangedNs(); });
        const int64_t drained = rig.Panel().DrainNs();
        if (drawn == 0 || drained == 0)
        {
            state.SkipWithError("the feedback never changed the button's pixels");
            break;
        }
        samples.Add(state, rig, sent, drained, drawn);
    }
    ReportCounters(state, samples, rig.Panel().TickPeriods());
}
BENCHMARK(BM_FeedbackToPixels)->Iterations(kSamples)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace
