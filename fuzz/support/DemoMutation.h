#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/support/ChildRun.h"
#include "fuzz/support/FileMutator.h"

// A run of damaged copies of the demo (make-demo): each copy damages the interface file
// (Main.qvr), the resource pack (resource.qvs) or both, from the seed and the copy's number, and
// goes through the real start-up and loader with no screen, in a child process of its own with a
// time-out. A start-up failure text or a (partial) load is a sound end; a crash, a sanitizer
// report, a leak, a loader that does not end or a time-out is a fault. Faulty copies are kept in
// <out>/failures/<copy>-<verdict>/ (both files, the log, the damage done); every copy's line is
// written to <out>/results.tsv, and a table of outcomes to standard output.
class CDemoMutation
{
public:
    struct Options
    {
        std::string demo; // folder written by make-demo
        std::string out;  // working and result folder, owned by the run
        uint32_t count = 1000;
        uint32_t from = 0;
        uint64_t seed = 1;
        int32_t jobs = 2;
        int32_t timeOutMs = 10000;
        int32_t maxSteps = 3; // damages per file and copy, 1 .. maxSteps
    };

    enum class Target
    {
        File,
        Pack,
        Both,
    };

    explicit CDemoMutation(Options options) : m_options(std::move(options)) {}
    ~CDemoMutation();
    CDemoMutation(const CDemoMutation&) = delete;
    CDemoMutation& operator=(const CDemoMutation&) = delete;

    // Reads the demo and maps its interface file by a run of the undamaged copy; false (with a
    // message) when there is no demo or it does not load.
    bool Prepare();
    // Runs every copy, jobs at a time, and prints the table; the number of faulty copies.
    uint32_t Run();

    // A child's work: Main.qvr of the working folder through start-up, loading, a few ticks and
    // taps across the screen.
    // "refused <text>", "loaded ... <text>" (the text the run left, often none) or "stopped". A
    // load is "whole" when the loader read as many records as in the undamaged demo
    // (wholeRecords), "partly" when it stopped before, "longer" when it read more; with
    // wholeRecords 0 the line tells the number of records instead.
    static std::string LoadInterface(size_t wholeRecords);
    // Three copies in five damage the interface file, one the pack, one both: the file has far
    // more kinds of records to get wrong.
    static Target TargetOf(uint32_t copy);

private:
    struct Copy
    {
        uint32_t number = 0;
        Target target = Target::File;
        std::string damage;
        std::unique_ptr<CChildRun> run;
    };

    static std::string MapRecords();
    static const char* TargetName(Target target);
    bool PrepareFolder(const std::string& folder) const;
    bool MapInterfaceFile();
    Copy StartCopy(uint32_t number);
    void Finish(const Copy& copy);
    void PrintTable(double seconds) const;

    Options m_options;
    std::vector<uint8_t> m_file;
    std::vector<uint8_t> m_pack;
    std::unique_ptr<CFileMutator> m_fileMutator;
    std::unique_ptr<CFileMutator> m_packMutator;
    size_t m_wholeRecords = 0;
    FILE* m_results = nullptr;
    // Copies by (fault, outcome) and target: sound outcomes first, each group by its text.
    std::map<std::pair<bool, std::string>, std::array<uint32_t, 3>> m_table;
    uint32_t m_faults = 0;
};
