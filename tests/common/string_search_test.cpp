#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/StringFunctions.h"
#include "common/support/OwnedText.h"

namespace
{
// ---- Case-insensitive compare and search -------------------------------------------------------

struct PrefixCase
{
    const char* prefix;
    const char* text;
    bool equal;
};

class StrEqualNoCaseCases : public ::testing::TestWithParam<PrefixCase>
{
};

TEST_P(StrEqualNoCaseCases, PrefixIgnoringAsciiCase)
{
    const PrefixCase& c = GetParam();
    EXPECT_EQ(StrEqualNoCase(c.prefix, c.text), c.equal);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StrEqualNoCaseCases,
    ::testing::Values(PrefixCase{"Logo", "LOGO2", true}, PrefixCase{"Logo2", "Logo", false},
                      PrefixCase{"red", "RED", true}, PrefixCase{"", "abc", false},
                      PrefixCase{"abc", "", false}, PrefixCase{nullptr, "abc", false},
                      PrefixCase{"abc", nullptr, false}, PrefixCase{"Error", "error: x", true},
                      PrefixCase{"[", "{", false}, // only letters fold
                      // Bytes above 0x7F are no ASCII letters of any case.
                      PrefixCase{"\xC1", "a", false}, PrefixCase{"a", "\xC1", false},
                      PrefixCase{"\xE9", "\xC9", false}, PrefixCase{"\xE9t\xE9", "\xE9T\xE9!", true}));

struct FindCase
{
    int32_t n;
    const char* text;
    const char* pattern;
    int32_t offset;
};

class StrFindNoCaseCases : public ::testing::TestWithParam<FindCase>
{
};

TEST_P(StrFindNoCaseCases, FirstMatchInsideTheLimit)
{
    const FindCase& c = GetParam();
    std::vector<char> text;
    const char* t = nullptr;
    if (c.text)
    {
        text = Exact(c.text);
        t = text.data();
    }
    EXPECT_EQ(StrFindNoCase(c.n, t, c.pattern), c.offset);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StrFindNoCaseCases,
    ::testing::Values(FindCase{4, "abcdef", "DE", -1}, // would end on the fifth character
                      FindCase{5, "abcdef", "DE", 3}, FindCase{100, "Hello", "LLO", 2},
                      FindCase{100, "aaab", "AAB", 1}, FindCase{100, "abc", "abcd", -1},
                      FindCase{0, "abc", "a", -1}, FindCase{-1, "abc", "a", -1}, FindCase{100, "", "a", -1},
                      FindCase{100, "abc", "", -1}, FindCase{100, nullptr, "a", -1},
                      FindCase{100, "abc", nullptr, -1}, FindCase{100, "x\xC1y", "a", -1},
                      FindCase{100, "S:\xE9", "s:\xE9", 0}, FindCase{100, "level,Group=4", "group=", 6}));

// ---- Byte patterns -----------------------------------------------------------------------------

TEST(ByteSearch, FindBytesInsideTheBufferOnly)
{
    const std::vector<uint8_t> buffer = {0x02, 0x00, 0xAA, 0x00, 0xAA, 0xBB};
    const uint8_t zeroAa[] = {0x00, 0xAA};
    const uint8_t aaBb[] = {0xAA, 0xBB};
    const uint8_t bbCc[] = {0xBB, 0xCC};
    EXPECT_EQ(FindBytes(buffer.data(), 6, zeroAa, 2), 1);
    EXPECT_EQ(FindBytes(buffer.data(), 6, aaBb, 2), 4);  // at the very end
    EXPECT_EQ(FindBytes(buffer.data(), 5, aaBb, 2), -1); // would end past the length
    EXPECT_EQ(FindBytes(buffer.data(), 6, bbCc, 2), -1);
    EXPECT_EQ(FindBytes(buffer.data(), 1, zeroAa, 2), -1); // pattern longer than the buffer
    EXPECT_EQ(FindBytes(buffer.data(), 0, zeroAa, 2), -1);
    EXPECT_EQ(FindBytes(buffer.data(), 6, zeroAa, 0), -1);
    EXPECT_EQ(FindBytes(nullptr, 6, zeroAa, 2), -1);
    EXPECT_EQ(FindBytes(buffer.data(), 6, nullptr, 2), -1);
    EXPECT_EQ(FindBytes(buffer.data(), -6, zeroAa, 2), -1);
}

TEST(ByteSearch, FindStringUsesThePatternWithoutItsZero)
{
    const std::string body = "HTTP/1.1 200 OK\r\n\r\nbody";
    EXPECT_EQ(FindString(body.data(), static_cast<int32_t>(body.size()), "\r\n\r\n"), 15);
    EXPECT_EQ(FindString(body.data(), 15, "\r\n\r\n"), -1);
    EXPECT_EQ(FindString(body.data(), 10, nullptr), -1);
    EXPECT_EQ(FindString(body.data(), 10, ""), -1);
}

TEST(ByteSearch, StartsWith)
{
    const char buffer[] = {'A', 'B', 'C'};
    EXPECT_TRUE(StartsWith(buffer, 3, "AB", 2));
    EXPECT_TRUE(StartsWith(buffer, 3, "ABC", 3));
    EXPECT_FALSE(StartsWith(buffer, 2, "ABC", 3)); // the buffer is shorter than the pattern
    EXPECT_FALSE(StartsWith(buffer, 3, "AC", 2));
    // Null or zero arguments answer true.
    EXPECT_TRUE(StartsWith(nullptr, 3, "A", 1));
    EXPECT_TRUE(StartsWith(buffer, 0, "A", 1));
    EXPECT_TRUE(StartsWith(buffer, 3, nullptr, 1));
    EXPECT_TRUE(StartsWith(buffer, 3, "Z", 0));
}

// ---- CRC-32 and Base64 -------------------------------------------------------------------------

TEST(Crc32Vectors, KnownValues)
{
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
    EXPECT_EQ(Crc32("a"), 0xE8B7BE43u);
    EXPECT_EQ(Crc32(""), 0u);
    EXPECT_EQ(Crc32(static_cast<const char*>(nullptr)), 0u);
    const uint8_t zero = 0;
    EXPECT_EQ(Crc32(&zero, 1), 0xD202EF8Du); // the block form counts zero bytes
    // The password check uses the text's Windows-1252 bytes.
    EXPECT_EQ(Crc32("\xE9"), Crc32(std::string("\xE9").data(), 1));
}

struct Base64Case
{
    std::string input;
    std::string encoded;
};

class Base64Vectors : public ::testing::TestWithParam<Base64Case>
{
};

TEST_P(Base64Vectors, EncodesWithPadding)
{
    const Base64Case& c = GetParam();
    std::vector<uint8_t> bytes(c.input.begin(), c.input.end()); // exact size, no terminator
    EXPECT_EQ(TakeText(Base64Encode(static_cast<int32_t>(bytes.size()), bytes.data())), c.encoded);
}

INSTANTIATE_TEST_SUITE_P(Rfc4648, Base64Vectors,
                         ::testing::Values(Base64Case{"", ""}, Base64Case{"f", "Zg=="},
                                           Base64Case{"fo", "Zm8="}, Base64Case{"foo", "Zm9v"},
                                           Base64Case{"foob", "Zm9vYg=="}, Base64Case{"fooba", "Zm9vYmE="},
                                           Base64Case{"foobar", "Zm9vYmFy"},
                                           Base64Case{"\xFF\xFE\xFD", "//79"},
                                           Base64Case{std::string("\0\0", 2), "AAA="},
                                           Base64Case{"user:pass", "dXNlcjpwYXNz"}));

TEST(Base64Vectors, BadArguments)
{
    EXPECT_EQ(Base64Encode(-1, "abc"), nullptr);
    EXPECT_EQ(Base64Encode(3, nullptr), nullptr);
    EXPECT_EQ(TakeText(Base64Encode(0, nullptr)), "");
}
} // namespace
