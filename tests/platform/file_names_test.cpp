// Windows file names found on a case-sensitive file system.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileNames.h"
#include "support/TempFolder.h"

namespace
{
TEST(FileNames, ComponentsMatchIgnoringAsciiCase)
{
    TempFolder folder;
    ASSERT_EQ(mkdir(folder.File("Fonts").c_str(), 0700), 0);
    ASSERT_TRUE(WriteFileBytes(folder.File("Fonts/Arial.TTF"), {1}));
    ASSERT_TRUE(WriteFileBytes(folder.File("Fonts/\xC3\x84rial.ttf"), {1}));
    const std::string root = folder.Path();
    struct Case
    {
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {root + "/Fonts/Arial.TTF", root + "/Fonts/Arial.TTF"}, // as written
        {root + "/fonts/arial.ttf", root + "/Fonts/Arial.TTF"},
        {root + "/FONTS//ARIAL.ttf", root + "/Fonts/Arial.TTF"},
        {root + "/fonts/./arial.ttf", root + "/Fonts/./Arial.TTF"},
        // Only ASCII letters fold: an upper-case non-ASCII letter finds nothing.
        {root + "/fonts/\xC3\xA4rial.ttf", ""},
        {root + "/fonts/arial.ttf2", ""},
        {root + "/nothing/arial.ttf", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::FindFileIgnoringCase(c.path), c.expected) << c.path;

    // A relative path starts at the current folder and stays relative.
    const std::string previous = std::filesystem::current_path();
    ASSERT_EQ(chdir(root.c_str()), 0);
    EXPECT_EQ(platform::FindFileIgnoringCase("fonts/ARIAL.ttf"), "Fonts/Arial.TTF");
    ASSERT_EQ(chdir(previous.c_str()), 0);
}

TEST(FileNames, TheSmallestOfSeveralMatchesIsTaken)
{
    TempFolder folder;
    for (const char* name : {"sans.ttf", "SANS.TTF", "Sans.ttf"})
        ASSERT_TRUE(WriteFileBytes(folder.File(name), {1}));
    EXPECT_EQ(platform::FindFileIgnoringCase(folder.File("sAns.ttf")), folder.File("SANS.TTF"));
}
} // namespace
