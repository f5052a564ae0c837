// The interface file through the real start-up and loader, with no screen (SDL's dummy driver):
// header, password, design size, device table, every resource record, then the first page drawn.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "fuzz/support/HeadlessInterface.h"

namespace
{
int g_file = -1;
std::string g_folder;

void RemoveFolder()
{
    std::error_code ignored;
    if (!g_folder.empty())
        std::filesystem::remove_all(g_folder, ignored);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!CHeadlessInterface::StartSdl())
    {
        std::fprintf(stderr, "SDL's dummy video driver could not start\n");
        std::abort();
    }
    // The back end reads its default font, click sound and resource pack from the working folder:
    // a folder of its own with the default font only, so that text is laid out and drawn.
    std::string pattern = std::filesystem::temp_directory_path().string() + "/nerulan-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr)
    {
        g_folder = pattern;
        std::error_code ignored;
        std::filesystem::copy_file("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
                                   g_folder + "/arial.ttf", ignored);
        if (chdir(g_folder.c_str()) == 0)
            std::atexit(RemoveFolder);
    }
    // The loader opens the file by name: the input lives in a memory file named through /proc.
    g_file = memfd_create("interface", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (g_file < 0 || ftruncate(g_file, 0) != 0 ||
        pwrite(g_file, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(g_file);
    CHeadlessInterface panel;
    panel.Run(path.c_str());
    return 0;
}
