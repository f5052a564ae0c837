#include "fuzz/support/DemoMutation.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "fuzz/support/HeadlessInterface.h"
#include "fuzz/support/RecordMap.h"

namespace
{
namespace fs = std::filesystem;

const char* const kInterfaceName = "Main.qvr";
const char* const kPackName = "resource.qvs";
// Files of the demo that every copy's working folder holds unchanged.
const char* const kSideFiles[] = {"arial.ttf", "click.wav"};
// More records than any copy of the demo can hold: a loader still going after them does not end.
constexpr int32_t kMaxRecords = 1000000;
// Ticks after loading: the start page and its first frame are drawn.
constexpr int32_t kTicks = 3;
// Then a tap at each cell of a grid this many cells a side: buttons that show other pages and
// popups bring up what a damaged record made of them.
constexpr int32_t kTapGrid = 6;
// The undamaged demo loads in well under a second; the map's run has room on a busy machine.
constexpr std::chrono::milliseconds kMapTimeOut{120000};
constexpr std::chrono::milliseconds kPollPause{5};
// Fields of the header before the device table (no password in the demo): magic, version,
// password flag, design width and height, display flags, device count.
const CFileMutator::Field kHeaderFields[] = {{0, 4}, {4, 4}, {8, 1}, {9, 2}, {11, 2}, {13, 1}, {14, 2}};

// The program's texts are ASCII; anything else shows as '?'.
std::string Narrow(const std::u16string& text)
{
    std::string narrow;
    for (char16_t c : text)
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

void WaitFor(CChildRun& run)
{
    while (!run.Poll())
        std::this_thread::sleep_for(kPollPause);
}
} // namespace

CDemoMutation::~CDemoMutation()
{
    if (m_results)
        std::fclose(m_results);
}

std::string CDemoMutation::LoadInterface(size_t wholeRecords)
{
    if (!CHeadlessInterface::StartSdl())
        return "no-sdl";
    // The map's run is the real start-up and loader too; it also counts the records read.
    CRecordMap panel;
    const CHeadlessInterface::Outcome outcome = panel.Run(kInterfaceName, kMaxRecords, kTicks, kTapGrid);
    const std::string error = Narrow(panel.LastError());
    const size_t records = panel.Offsets().size();
    switch (outcome)
    {
    case CHeadlessInterface::Outcome::Refused:
        return "refused\t" + error;
    case CHeadlessInterface::Outcome::Loaded:
        if (wholeRecords == 0)
            return "loaded\t" + std::to_string(records) + " records\t" + error;
        return std::string(records == wholeRecords  ? "loaded whole"
                           : records < wholeRecords ? "loaded partly"
                                                    : "loaded longer") +
               "\t" + error;
    case CHeadlessInterface::Outcome::Stopped:
        break;
    }
    return "stopped\t" + error;
}

CDemoMutation::Target CDemoMutation::TargetOf(uint32_t copy)
{
    const uint32_t slot = copy % 5;
    return slot < 3 ? Target::File : slot == 3 ? Target::Pack : Target::Both;
}

const char* CDemoMutation::TargetName(Target target)
{
    return target == Target::File ? "file" : target == Target::Pack ? "pack" : "both";
}

// The record offsets of the undamaged file from a run of the real loader, in a child: the parent
// never starts SDL, so that every child starts from nothing.
std::string CDemoMutation::MapRecords()
{
    if (!CHeadlessInterface::StartSdl())
        return "no-sdl";
    CRecordMap map;
    if (map.Run(kInterfaceName, kMaxRecords, 0) != CHeadlessInterface::Outcome::Loaded)
        return "not-loaded\t" + Narrow(map.LastError());
    std::ostringstream line;
    line << "map";
    for (size_t offset : map.Offsets())
        line << ' ' << offset;
    return line.str();
}

bool CDemoMutation::Prepare()
{
    m_file = ReadBytes(m_options.demo + "/" + kInterfaceName);
    m_pack = ReadBytes(m_options.demo + "/" + kPackName);
    if (m_file.empty() || m_pack.empty())
    {
        std::fprintf(stderr, "mutate-demo: no demo in %s (make it with make-demo)\n", m_options.demo.c_str());
        return false;
    }
    std::error_code ignored;
    for (const char* sub : {"copies", "failures", "map"})
        fs::remove_all(fs::path(m_options.out) / sub, ignored);
    fs::create_directories(m_options.out, ignored);
    if (!MapInterfaceFile())
        return false;
    std::vector<size_t> landmarks;
    std::vector<CFileMutator::Field> fields;
    CFileMutator::MapResourcePack(m_pack, landmarks, fields);
    std::printf("resource pack: %zu bytes, %zu records, %zu fields\n", m_pack.size(), landmarks.size(),
                fields.size());
    m_packMutator = std::make_unique<CFileMutator>(std::move(landmarks), std::move(fields));
    m_results = std::fopen((m_options.out + "/results.tsv").c_str(), "w");
    return m_results != nullptr;
}

bool CDemoMutation::PrepareFolder(const std::string& folder) const
{
    std::error_code error;
    fs::create_directories(folder, error);
    for (const char* name : kSideFiles)
    {
        if (!error)
            fs::create_symlink(fs::absolute(fs::path(m_options.demo) / name), fs::path(folder) / name, error);
    }
    return !error;
}

// The landmarks of the interface file: the header's fields and every record the loader reached.
bool CDemoMutation::MapInterfaceFile()
{
    const std::string folder = m_options.out + "/map";
    CChildRun run;
    if (!PrepareFolder(folder) || !WriteBytes(folder + "/" + kInterfaceName, m_file) ||
        !WriteBytes(folder + "/" + kPackName, m_pack) || !run.Start(folder, MapRecords, kMapTimeOut))
        return false;
    WaitFor(run);
    if (run.GetVerdict() != CChildRun::Verdict::Finished || !StartsWith(run.Result(), "map"))
    {
        std::fprintf(stderr, "mutate-demo: the undamaged demo does not load: %s %s (see %s/log.txt)\n",
                     CChildRun::VerdictName(run.GetVerdict()), run.Result().c_str(), folder.c_str());
        return false;
    }
    std::vector<size_t> landmarks = {0};
    std::vector<CFileMutator::Field> fields = CFileMutator::FindLengthFields(m_file);
    std::istringstream offsets(run.Result().substr(3));
    for (size_t offset; offsets >> offset;)
    {
        landmarks.push_back(offset);
        m_wholeRecords++;
    }
    for (const CFileMutator::Field& field : kHeaderFields)
    {
        landmarks.push_back(field.offset);
        fields.push_back(field);
    }
    std::printf("interface file: %zu bytes, %zu landmarks, %zu length-like fields\n", m_file.size(),
                landmarks.size(), fields.size());
    m_fileMutator = std::make_unique<CFileMutator>(std::move(landmarks), std::move(fields));
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return true;
}

uint32_t CDemoMutation::Run()
{
    std::printf("%u copies from %u, seed %llu, %d at a time, %d ms each at most\n", m_options.count,
                m_options.from, static_cast<unsigned long long>(m_options.seed), m_options.jobs,
                m_options.timeOutMs);
    const auto start = std::chrono::steady_clock::now();
    std::vector<Copy> running;
    uint32_t next = m_options.from;
    const uint32_t end = m_options.from + m_options.count;
    while (next < end || !running.empty())
    {
        while (next < end && static_cast<int32_t>(running.size()) < m_options.jobs)
            running.push_back(StartCopy(next++));
        for (size_t i = 0; i < running.size();)
        {
            if (running[i].run->Poll())
            {
                Finish(running[i]);
                running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
            }
            else
                i++;
        }
        std::this_thread::sleep_for(kPollPause);
    }
    PrintTable(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return m_faults;
}

CDemoMutation::Copy CDemoMutation::StartCopy(uint32_t number)
{
    Copy copy;
    copy.number = number;
    copy.target = TargetOf(number);
    copy.run = std::make_unique<CChildRun>();
    char name[16];
    std::snprintf(name, sizeof(name), "%05u", number);
    const std::string folder = m_options.out + "/copies/" + name;
    std::vector<uint8_t> file = m_file;
    std::vector<uint8_t> pack = m_pack;
    if (copy.target != Target::Pack)
        copy.damage = "file: " + m_fileMutator->Mutate(file, m_options.seed, number, m_options.maxSteps);
    if (copy.target != Target::File)
        copy.damage += std::string(copy.damage.empty() ? "" : "; ") + "pack: " +
                       m_packMutator->Mutate(pack, m_options.seed ^ 0x5A5A5A5Au, number, m_options.maxSteps);
    const std::vector<uint8_t> damage(copy.damage.begin(), copy.damage.end());
    // A copy that cannot be written is not started, and counts as a fault of the run itself.
    if (PrepareFolder(folder) && WriteBytes(folder + "/" + kInterfaceName, file) &&
        WriteBytes(folder + "/" + kPackName, pack) && WriteBytes(folder + "/damage.txt", damage))
        copy.run->Start(
            folder, [this] { return LoadInterface(m_wholeRecords); },
            std::chrono::milliseconds(m_options.timeOutMs));
    return copy;
}

void CDemoMutation::Finish(const Copy& copy)
{
    const CChildRun& run = *copy.run;
    const bool finished = run.GetVerdict() == CChildRun::Verdict::Finished;
    const bool fault =
        !finished || !(StartsWith(run.Result(), "refused") || StartsWith(run.Result(), "loaded"));
    std::string outcome =
        finished ? run.Result() : std::string(CChildRun::VerdictName(run.GetVerdict())) + "\t" + run.Result();
    std::replace(outcome.begin(), outcome.end(), '\t', ' ');
    while (!outcome.empty() && outcome.back() == ' ')
        outcome.pop_back();
    std::fprintf(m_results, "%u\t%s\t%s\t%.2f\t%s\n", copy.number, TargetName(copy.target), outcome.c_str(),
                 run.Seconds(), copy.damage.c_str());
    m_table[{fault, outcome}][static_cast<size_t>(copy.target)]++;
    std::error_code ignored;
    if (!fault)
    {
        fs::remove_all(run.Folder(), ignored);
        return;
    }
    m_faults++;
    const std::string kept = m_options.out + "/failures/" + fs::path(run.Folder()).filename().string() + "-" +
                             CChildRun::VerdictName(run.GetVerdict());
    fs::create_directories(fs::path(kept).parent_path(), ignored);
    fs::rename(run.Folder(), kept, ignored);
    std::printf("copy %u (%s): %s\n    kept in %s\n", copy.number, copy.damage.c_str(), outcome.c_str(),
                kept.c_str());
}

void CDemoMutation::PrintTable(double seconds) const
{
    std::printf("\n%-72s %5s %5s %5s %5s\n", "outcome", "file", "pack", "both", "all");
    for (const auto& [key, counts] : m_table)
    {
        std::printf("%s %-70.70s %5u %5u %5u %5u\n", key.first ? "!" : " ", key.second.c_str(), counts[0],
                    counts[1], counts[2], counts[0] + counts[1] + counts[2]);
    }
    std::printf("\nfaulty copies (!): %u of %u; run time %.1f s\n", m_faults, m_options.count, seconds);
}
