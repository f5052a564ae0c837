// The processor time of loading the demo interface: the start-up steps before the first tick
// (window, header, device table, the Loading page) and every loading tick after them, each tick
// timed with its own thread's CPU clock as the tick thread runs it (one record, then the Loading
// page's flush). The interface is the one make-demo writes (found beside this program), read from
// a folder of its own by the headless runner that the interface file's fuzzing uses: SDL's dummy
// video driver stands in for the display, the sound library plays to its silent device, and
// devices are made but never connected.
//
// Counters: records; for the first load in the process (cold_*, as the program's own start) the
// start-up steps' CPU, the loading ticks' CPU in all and the largest tick; for the later loads the
// CPU per loading tick (mean, median, 90th percentile, largest) in µs. The reference is the ticks'
// own sleep on the way to the start page (5 ms a record): `cpu_share_of_sleep` is how much the
// loading's work adds to the start beyond the specified ticks.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include <unistd.h>

#include "fuzz/support/HeadlessInterface.h"
#include "interface/AbstractDialogSystem.h"

namespace
{
// The tick thread sleeps this long after every tick (app/ClientDlgTick.cpp).
constexpr double kTickSleepUs = 5000.0;
// Far more ticks than the demo has records: a load that does not end is a failure.
constexpr int32_t kMaxTicks = 100000;

double ThreadCpuUs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Writes the demo as make-demo does into a new temporary folder; the path of its interface file,
// or empty when it could not be written. The caller removes the folder.
std::string WriteDemo(std::filesystem::path& dir)
{
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    std::filesystem::path maker = self.parent_path() / "make-demo";
    dir = std::filesystem::temp_directory_path() / ("nerulan-bench-load-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir, error);
    std::string command = "'" + maker.string() + "' '" + (dir / "demo").string() + "' >/dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    return (dir / "demo" / "Main.qvr").string();
}

// The program's own start-up and tick, with nothing leaving the process (the headless runner's
// password and device stand-ins), timed tick by tick.
class CLoadRun : public CHeadlessInterface
{
public:
    // False when the start-up steps fail; `startUs` gets their CPU, `tickUs` one entry a tick.
    bool Load(const std::string& path, double& startUs, std::vector<double>& tickUs)
    {
        // The interface file's paths are relative to its folder, as when the program starts there.
        std::filesystem::current_path(std::filesystem::path(path).parent_path());
        double begin = ThreadCpuUs();
        bool started = CreateMainWindow() && LoadInterfaceHeader(path.c_str()) && LoadDevices();
        if (started)
            GetBackEnd()->BeginLoad(GetStream());
        startUs = ThreadCpuUs() - begin;
        if (!started)
            return false;
        // The program lets the Loading page be drawn from the first tick on.
        EnableFlush();
        for (int32_t i = 0; i < kMaxTicks && !IsLoaded(); ++i)
        {
            double before = ThreadCpuUs();
            Tick();
            tickUs.push_back(ThreadCpuUs() - before);
        }
        return IsLoaded();
    }

    void End()
    {
        Shutdown();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
};

double Percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

void BM_LoadDemo(benchmark::State& state)
{
    std::filesystem::path dir;
    const std::string demo = CHeadlessInterface::StartSdl() ? WriteDemo(dir) : std::string();
    // With a sound device, as the program runs and as the idle figures are taken: the sound
    // library's silent one (the headless runner opens none).
    setenv("ALSOFT_DRIVERS", "null", 1);
    if (demo.empty())
    {
        state.SkipWithError("SDL or the demo writer (make-demo beside this program) is missing");
        return;
    }
    const std::filesystem::path home = std::filesystem::current_path();
    // The first load in the process meets what the program's start meets (libraries, font faces
    // and surfaces used for the first time); the later ones show the loading's own work.
    std::vector<double> coldTicks;
    double coldStartUs = 0;
    std::vector<double> warmTicks;
    for (auto _ : state)
    {
        CLoadRun run;
        double startUs = 0;
        std::vector<double> tickUs;
        bool loaded = run.Load(demo, startUs, tickUs);
        run.End();
        if (!loaded)
        {
            state.SkipWithError("the demo did not load");
            break;
        }
        state.counters["records"] = static_cast<double>(tickUs.size());
        if (coldTicks.empty())
        {
            coldTicks = tickUs;
            coldStartUs = startUs;
        }
        else
            warmTicks.insert(warmTicks.end(), tickUs.begin(), tickUs.end());
    }
    std::filesystem::current_path(home);
    std::error_code error;
    std::filesystem::remove_all(dir, error);
    if (coldTicks.empty() || warmTicks.empty())
        return;
    const double coldSum = std::accumulate(coldTicks.begin(), coldTicks.end(), 0.0);
    state.counters["cold_startup_cpu_ms"] = coldStartUs / 1000.0;
    state.counters["cold_loading_cpu_ms"] = coldSum / 1000.0;
    state.counters["cold_tick_cpu_max_us"] = Percentile(coldTicks, 1.0);
    state.counters["cold_cpu_share_of_sleep"] =
        coldSum / static_cast<double>(coldTicks.size()) / kTickSleepUs;
    const double warmMean =
        std::accumulate(warmTicks.begin(), warmTicks.end(), 0.0) / static_cast<double>(warmTicks.size());
    state.counters["tick_cpu_mean_us"] = warmMean;
    state.counters["tick_cpu_p50_us"] = Percentile(warmTicks, 0.5);
    state.counters["tick_cpu_p90_us"] = Percentile(warmTicks, 0.9);
    state.counters["tick_cpu_max_us"] = Percentile(warmTicks, 1.0);
    state.counters["cpu_share_of_sleep"] = warmMean / kTickSleepUs;
}
BENCHMARK(BM_LoadDemo)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
