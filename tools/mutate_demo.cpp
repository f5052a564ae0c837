// mutate-demo DEMO_DIR OUT_DIR [--count N] [--from I] [--seed S] [--jobs J] [--timeout-ms T] [--steps K]
// mutate-demo --one FOLDER
//
// Damaged copies of the demo written by make-demo DEMO_DIR, each loaded headless in a process of
// its own (fuzz/support/DemoMutation.h tells what counts as a fault and what is kept in
// OUT_DIR). Exit code 1 when any copy was faulty, 2 when the run could not start.
// scripts/mutate-demo.sh builds and runs it under the sanitizers.
//
// --one FOLDER loads the Main.qvr of FOLDER (a kept copy) with FOLDER as working folder, in this
// process: for a debugger, or a sanitizer's report with its whole stack.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/support/DemoMutation.h"

namespace
{
bool ParseOptions(int argc, char** argv, CDemoMutation::Options& options, std::string& one)
{
    std::vector<std::string> plain;
    for (int i = 1; i < argc; i++)
    {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0)
        {
            plain.push_back(arg);
            continue;
        }
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        if (arg == "--one")
            one = value;
        else if (arg == "--count")
            options.count = static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
        else if (arg == "--from")
            options.from = static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
        else if (arg == "--seed")
            options.seed = std::strtoull(value, nullptr, 10);
        else if (arg == "--jobs")
            options.jobs = std::max(1, std::atoi(value));
        else if (arg == "--steps")
            options.maxSteps = std::max(1, std::atoi(value));
        else if (arg == "--timeout-ms")
            options.timeOutMs = std::max(1, std::atoi(value));
        else
            return false;
    }
    if (!one.empty())
        return plain.empty();
    if (plain.size() != 2)
        return false;
    options.demo = plain[0];
    options.out = plain[1];
    return true;
}

int LoadOne(const std::string& folder)
{
    if (chdir(folder.c_str()) != 0)
    {
        std::fprintf(stderr, "mutate-demo: cannot enter %s\n", folder.c_str());
        return 2;
    }
    const std::string line = CDemoMutation::LoadInterface(0);
    std::printf("%s\n", line.c_str());
    return line.rfind("refused", 0) == 0 || line.rfind("loaded", 0) == 0 ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
    CDemoMutation::Options options;
    std::string one;
    if (!ParseOptions(argc, argv, options, one))
    {
        std::fprintf(stderr,
                     "usage: %s DEMO_DIR OUT_DIR [--count N] [--from I] [--seed S] [--jobs J] [--timeout-ms "
                     "T] [--steps K]\n"
                     "       %s --one FOLDER\n",
                     argv[0], argv[0]);
        return 2;
    }
    if (!one.empty())
        return LoadOne(one);
    CDemoMutation mutation(options);
    if (!mutation.Prepare())
        return 2;
    return mutation.Run() == 0 ? 0 : 1;
}
