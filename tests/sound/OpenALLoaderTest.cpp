// Loading the sound library at run time: entry points, version and device list, against the
// logging stand-in library.
#include <gtest/gtest.h>

#include <memory>

#include "sound/OpenALLoader.h"
#include "support/StubLibrary.h"

using namespace soundtest;

namespace
{
struct TableDeleter
{
    void operator()(OpenALFunctionTable* table) const { FreeOpenAL(table); }
};
using Table = std::unique_ptr<OpenALFunctionTable, TableDeleter>;

std::vector<std::string> Names(const OpenALFunctionTable& table)
{
    std::vector<std::string> names;
    for (uint32_t i = 0; i < table.deviceCount; ++i)
        names.push_back(table.devices[i].name);
    return names;
}

std::vector<std::string> Numbered(const char* stem, int count)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(stem + std::to_string(i));
    return names;
}
} // namespace

TEST(OpenALLoader, ListsTheDefaultDeviceFirst)
{
    struct Case
    {
        const char* name;
        std::string defaultName;
        std::vector<std::string> list;
        bool enumeration;
        bool noDefault;
        std::vector<std::string> expected;
    };
    std::vector<std::string> forty = Numbered("Device ", 40);
    std::vector<std::string> firstThirtyOne(forty.begin(), forty.begin() + 31);
    firstThirtyOne.insert(firstThirtyOne.begin(), "Main");
    const std::string longName(200, 'x');
    const std::vector<Case> cases = {
        {"default moved to the front", "B", {"A", "B"}, true, false, {"B", "A"}},
        {"forty other names", "Main", forty, true, false, firstThirtyOne},
        {"no enumeration extension", "B", {"A", "B"}, false, false, {"B"}},
        {"no default name", "B", {"A", "B"}, true, true, {"Default device"}},
        {"empty list", "B", {}, true, false, {"B"}},
        {"long names are cut",
         longName,
         {"A", longName + "y"},
         true,
         false,
         {std::string(127, 'x'), "A", std::string(127, 'x')}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        StubLibrary stub;
        ASSERT_TRUE(stub.Loaded());
        stub.SetDevices(c.defaultName, c.list);
        stub.Set("enumeration", c.enumeration);
        stub.Set("noDefault", c.noDefault);
        Table table(LoadOpenAL());
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(Names(*table), c.expected);
        for (uint32_t i = 0; i < table->deviceCount; ++i)
        {
            for (int32_t value : table->devices[i].values)
                EXPECT_EQ(value, 0);
        }
    }
}

// A list whose 32 first names include the default stops after the 32nd name looked at.
TEST(OpenALLoader, StopsAfterThirtyTwoNamesLookedAt)
{
    StubLibrary stub;
    std::vector<std::string> names = Numbered("D", 40);
    stub.SetDevices("D3", names);
    Table table(LoadOpenAL());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->deviceCount, 32u);
    EXPECT_STREQ(table->devices[0].name, "D3");
    EXPECT_STREQ(table->devices[31].name, "D31");
}

TEST(OpenALLoader, VersionAndOptionalEntryPoints)
{
    struct Case
    {
        const char* name;
        StubLibrary::Variant variant;
        int major;
        int minor;
        uint32_t version;
        bool captureSamples;
        bool source3i;
    };
    const Case cases[] = {
        {"complete 1.1", StubLibrary::Complete, 1, 1, 0x10001, true, true},
        {"1.0 leaves the 1.1 entries out", StubLibrary::Complete, 1, 0, 0x10000, false, false},
        {"1.1 lacking alcCaptureSamples", StubLibrary::WithoutCaptureSamples, 1, 1, 0x10000, false, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        StubLibrary stub(c.variant);
        stub.Set("major", c.major);
        stub.Set("minor", c.minor);
        Table table(LoadOpenAL());
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->version, c.version);
        EXPECT_EQ(table->alcCaptureSamples != nullptr, c.captureSamples);
        EXPECT_EQ(table->alSource3i != nullptr, c.source3i);
        EXPECT_NE(table->alSourcePausev, nullptr);
        EXPECT_NE(table->alcGetIntegerv, nullptr);
    }
}

TEST(OpenALLoader, NoTableWithoutWhatTheOutputNeeds)
{
    {
        SCOPED_TRACE("required entry point missing");
        StubLibrary stub(StubLibrary::WithoutPausev);
        ASSERT_TRUE(stub.Loaded());
        EXPECT_EQ(LoadOpenAL(), nullptr);
    }
    {
        SCOPED_TRACE("no default device");
        StubLibrary stub;
        stub.Set("open", 0);
        EXPECT_EQ(LoadOpenAL(), nullptr);
    }
    {
        SCOPED_TRACE("no library");
        SetOpenALLibraryName("/nonexistent/libopenal.so.1");
        EXPECT_EQ(LoadOpenAL(), nullptr);
        SetOpenALLibraryName(nullptr);
    }
    EXPECT_STREQ(GetOpenALLibraryName(), "libopenal.so.1");
}

// The probe's device and context stay open for the output; the table releases them when no
// output took them.
TEST(OpenALLoader, ProbeKeepsItsDeviceUntilTheTableGoes)
{
    StubLibrary stub;
    OpenALFunctionTable* table = LoadOpenAL();
    ASSERT_NE(table, nullptr);
    EXPECT_NE(table->probeDevice, nullptr);
    EXPECT_NE(table->probeContext, nullptr);
    EXPECT_EQ(stub.Log(), (std::vector<std::string>{"alcOpenDevice (null)", "alcCreateContext 1",
                                                    "alcMakeContextCurrent context"}));
    stub.ClearLog();
    FreeOpenAL(table);
    EXPECT_EQ(stub.Log(), (std::vector<std::string>{"alcMakeContextCurrent (null)", "alcDestroyContext 1",
                                                    "alcCloseDevice 1"}));
}
