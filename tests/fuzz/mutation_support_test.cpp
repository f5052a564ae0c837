// The damaged-copies run of the demo (scripts/mutate-demo.sh) rests on two things: a copy can be
// made again from its seed and number alone, and a child's end is told apart correctly (a crash
// or a hang must never pass for a sound load).
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "fuzz/support/ChildRun.h"
#include "fuzz/support/FileMutator.h"
#include "support/TempFolder.h"
#include "tools/writer/ResourceRecordWriter.h"

namespace
{
std::vector<uint8_t> SmallPack()
{
    ResourceRecordWriter::CResourcePackWriter pack;
    pack.PutRaw(3, 0);
    pack.PutTemplate(1, ResourceRecordWriter::SolidFrameTemplate(2));
    pack.PutThumb(1, ResourceRecordWriter::SolidThumb(4));
    pack.PutRaw(4, 0);
    return pack.Bytes();
}

TEST(FileMutator, ACopyIsMadeAgainFromItsSeedAndNumberAlone)
{
    const std::vector<uint8_t> pack = SmallPack();
    std::vector<size_t> landmarks;
    std::vector<CFileMutator::Field> fields;
    CFileMutator::MapResourcePack(pack, landmarks, fields);
    const CFileMutator mutator(landmarks, fields);
    int differing = 0;
    for (uint32_t copy = 0; copy < 50; copy++)
    {
        std::vector<uint8_t> first = pack;
        std::vector<uint8_t> second = pack;
        const std::string firstSteps = mutator.Mutate(first, 7, copy);
        EXPECT_EQ(mutator.Mutate(second, 7, copy), firstSteps);
        EXPECT_EQ(first, second) << "copy " << copy;
        std::vector<uint8_t> otherSeed = pack;
        mutator.Mutate(otherSeed, 8, copy);
        differing += otherSeed != first ? 1 : 0;
    }
    EXPECT_GT(differing, 40);
}

TEST(FileMutator, ThePackMapFindsEveryRecordAndItsLengthField)
{
    const std::vector<uint8_t> pack = SmallPack();
    std::vector<size_t> landmarks;
    std::vector<CFileMutator::Field> fields;
    CFileMutator::MapResourcePack(pack, landmarks, fields);
    const size_t templateBytes = ResourceRecordWriter::SolidFrameTemplate(2).size();
    const size_t thumbStart = 5 + 5 + 4 + templateBytes;
    const size_t thumbBytes = ResourceRecordWriter::SolidThumb(4).size();
    EXPECT_EQ(landmarks, (std::vector<size_t>{0, 5, thumbStart, thumbStart + 5 + 4 + thumbBytes}));
    for (size_t start : landmarks)
    {
        bool found = false;
        for (const CFileMutator::Field& field : fields)
            found = found || (field.offset == start + 1 && field.width == 4);
        EXPECT_TRUE(found) << "length field of the record at " << start;
    }
}

TEST(FileMutator, TextAndBlockLengthsOfTheInterfaceFileAreFound)
{
    // A text "Home" (length 5 with its zero), then a 20-byte block with its 32-bit length.
    std::vector<uint8_t> bytes = {0xAA, 5, 0, 'H', 'o', 'm', 'e', 0, 20, 0, 0, 0};
    bytes.resize(bytes.size() + 20, 0xEE);
    const std::vector<CFileMutator::Field> fields = CFileMutator::FindLengthFields(bytes);
    bool text = false;
    bool block = false;
    for (const CFileMutator::Field& field : fields)
    {
        text = text || (field.offset == 1 && field.width == 2);
        block = block || (field.offset == 8 && field.width == 4);
    }
    EXPECT_TRUE(text);
    EXPECT_TRUE(block);
}

struct ChildCase
{
    const char* name;
    std::string (*work)();
    CChildRun::Verdict verdict;
};

std::string Answers()
{
    return "loaded\tnone";
}

std::string Crashes()
{
    std::raise(SIGSEGV);
    return "unreachable";
}

std::string Hangs()
{
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

std::string Spins()
{
    volatile uint64_t turns = 0;
    for (;;)
        turns = turns + 1;
}

std::string Leaks()
{
    // Nothing holds the blocks once their pointers are gone. Many of them: the last one's
    // address may linger in a register or on the stack, which would keep that one reachable.
    for (int i = 0; i < 100; i++)
    {
        volatile char* block = new char[64];
        block[0] = 1;
    }
    return "loaded\tnone";
}

std::string ExitsEarly()
{
    std::_Exit(3);
}

TEST(ChildRun, EachWayAChildEndsHasItsVerdict)
{
    const ChildCase cases[] = {
        {"answers", Answers, CChildRun::Verdict::Finished},
        {"crashes", Crashes, CChildRun::Verdict::Crash},
        {"hangs", Hangs, CChildRun::Verdict::TimeOut},
        {"spins", Spins, CChildRun::Verdict::TimeOut},
        {"exits early", ExitsEarly, CChildRun::Verdict::Crash},
        {"leaks", Leaks, CChildRun::ChecksLeaks() ? CChildRun::Verdict::Leak : CChildRun::Verdict::Finished},
    };
    for (const ChildCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        ASSERT_TRUE(folder.Ok());
        CChildRun run;
        // The hanging and the spinning child are killed after this (the hanging one after six
        // times as long); the others end long before on any machine.
        ASSERT_TRUE(
            run.Start(folder.Path(), c.work,
                      std::chrono::milliseconds(c.verdict == CChildRun::Verdict::TimeOut ? 300 : 60000)));
        while (!run.Poll())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(run.GetVerdict(), c.verdict) << run.Result();
        if (c.verdict == CChildRun::Verdict::Finished)
        {
            EXPECT_EQ(run.Result(), "loaded\tnone");
        }
    }
}

TEST(ChildRun, SanitizerReportsAreToldFromCrashesAndLeaks)
{
    struct LogCase
    {
        const char* log;
        CChildRun::Verdict verdict;
        const char* summary;
    };
    const LogCase cases[] = {
        {"==1==ERROR: AddressSanitizer: heap-buffer-overflow on address 0x1\n"
         "SUMMARY: AddressSanitizer: heap-buffer-overflow Sprite.cpp:10 in Draw\n",
         CChildRun::Verdict::Sanitizer,
         "SUMMARY: AddressSanitizer: heap-buffer-overflow Sprite.cpp:10 in Draw"},
        {"==1==ERROR: AddressSanitizer: SEGV on unknown address 0x0\n", CChildRun::Verdict::Crash,
         "==1==ERROR: AddressSanitizer: SEGV on unknown address 0x0"},
        {"Template.cpp:40:12: runtime error: shift exponent 40 is too large\n", CChildRun::Verdict::Sanitizer,
         "Template.cpp:40:12: runtime error: shift exponent 40 is too large"},
        {"==1==ERROR: LeakSanitizer: detected memory leaks\nSUMMARY: AddressSanitizer: 24 byte(s) leaked\n",
         CChildRun::Verdict::Leak, "SUMMARY: AddressSanitizer: 24 byte(s) leaked"},
        {"loading Main.qvr\n", CChildRun::Verdict::Finished, ""},
    };
    for (const LogCase& c : cases)
    {
        SCOPED_TRACE(c.log);
        std::string summary;
        EXPECT_EQ(CChildRun::ClassifyLog(c.log, summary), c.verdict);
        EXPECT_EQ(summary, c.summary);
    }
}
} // namespace
