#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "render/Fnt.h"
#include "render/FontFaceCache.h"
#include "render/TextLayout.h"
#include "support/text_fixtures.h"

namespace
{
bool DrawsInk(const CFnt& font, const char16_t* text)
{
    MaskHolder mask(LayoutText(&font, text, -1, 5, 120, 60, false));
    return mask.get() != nullptr && !MeasureInk(mask.get()).empty;
}

TEST(TextFontCache, DeletingOneFontLeavesTheOthersDrawing)
{
    CFnt* first = new CFnt(kLiberationSansPath, 1, 15);
    CFnt* second = new CFnt(kLiberationSansPath, 2, 20);
    ASSERT_TRUE(first->HasFace());
    ASSERT_TRUE(second->HasFace());
    // One file name, one cached face shared by both sizes.
    EXPECT_EQ(first->GetFace(), second->GetFace());
    EXPECT_EQ(FontFaceCache::GetReferenceCount(), 2);

    delete first;
    EXPECT_TRUE(FontFaceCache::IsAlive());
    EXPECT_TRUE(DrawsInk(*second, u"Hello"));

    delete second;
    EXPECT_FALSE(FontFaceCache::IsAlive());
    EXPECT_EQ(FontFaceCache::GetReferenceCount(), 0);

    // A font made after the cache has ended starts it again.
    CFnt again(kLiberationSansPath, 3, 15);
    EXPECT_TRUE(DrawsInk(again, u"Hello"));
}

TEST(TextFontCache, FaceRegisteredFromMemoryIsFoundByFileName)
{
    TempFolder folder;
    const std::vector<uint8_t> bytes = ReadFileBytes(kLiberationSansPath);
    ASSERT_FALSE(bytes.empty());
    CFnt fromPack("arial.ttf", bytes.data(), static_cast<int32_t>(bytes.size()), 7, 15);
    ASSERT_TRUE(fromPack.HasFace());
    // No such file in the current folder: only the cached face can answer.
    const std::string previous = std::filesystem::current_path();
    ASSERT_EQ(chdir(folder.Path().c_str()), 0);
    CFnt byName("arial.ttf", 0xFFFF, 15);
    ASSERT_EQ(chdir(previous.c_str()), 0);
    EXPECT_EQ(byName.GetFace(), fromPack.GetFace());
    EXPECT_EQ(byName.GetId(), 0xFFFFu);
    EXPECT_TRUE(DrawsInk(byName, u"Abc"));
}

TEST(TextFontCache, DefaultFontFileIsReadFromTheCurrentFolder)
{
    TempFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.File("arial.ttf"), ReadFileBytes(kLiberationSansPath)));
    const std::string previous = std::filesystem::current_path();
    ASSERT_EQ(chdir(folder.Path().c_str()), 0);
    CFnt font("arial.ttf", 0xFFFF, 15);
    ASSERT_EQ(chdir(previous.c_str()), 0);
    EXPECT_TRUE(font.HasFace());
    EXPECT_EQ(font.GetId(), 0xFFFFu);
    EXPECT_EQ(font.GetSize(), 15);
    EXPECT_TRUE(DrawsInk(font, u"Abc"));
}

TEST(TextFontCache, FontsWithoutAUsableFaceDrawNothing)
{
    const std::vector<uint8_t> liberation = ReadFileBytes(kLiberationSansPath);
    const std::vector<uint8_t> macOnly = MakeMacintoshOnlyFont(liberation);
    const std::vector<uint8_t> garbage(4096, 0x5A);
    struct Case
    {
        const char* name;
        const std::vector<uint8_t>* bytes;
    };
    for (const Case& c : {Case{"mac-only.ttf", &macOnly}, Case{"garbage.ttf", &garbage}})
    {
        SCOPED_TRACE(c.name);
        CFnt font(c.name, c.bytes->data(), static_cast<int32_t>(c.bytes->size()), 9, 15);
        EXPECT_FALSE(font.HasFace());
        EXPECT_EQ(font.GetId(), 0u);
        EXPECT_EQ(LayoutText(&font, u"Abc", -1, 1, 100, 40, false), nullptr);
    }
    CFnt missing("/nonexistent/arial.ttf", 0xFFFF, 15);
    EXPECT_FALSE(missing.HasFace());
    EXPECT_EQ(LayoutText(&missing, u"Abc", -1, 1, 100, 40, false), nullptr);
    EXPECT_EQ(LayoutText(nullptr, u"Abc", -1, 1, 100, 40, false), nullptr);
}

TEST(TextFontCache, SymbolFontOnTheHighPageMapsPlainCharacters)
{
    const std::vector<uint8_t> liberation = ReadFileBytes(kLiberationSansPath);
    const std::vector<uint8_t> symbol = MakeHighSymbolFont(liberation);
    CFnt symbolFont("symbol.ttf", symbol.data(), static_cast<int32_t>(symbol.size()), 1, 18);
    CFnt plainFont(kLiberationSansPath, 2, 18);
    ASSERT_TRUE(symbolFont.HasFace());

    MaskHolder fromSymbol(LayoutText(&symbolFont, u"AbZ", -1, 1, 100, 40, false));
    MaskHolder fromPlain(LayoutText(&plainFont, u"AbZ", -1, 1, 100, 40, false));
    ASSERT_NE(fromSymbol.get(), nullptr);
    ASSERT_FALSE(MeasureInk(fromSymbol.get()).empty);
    // Same glyphs (the kerning table is by glyph and was kept), so the same pixels.
    EXPECT_TRUE(MasksEqualShifted(fromSymbol.get(), fromPlain.get(), 0, 0));
    // The page is added to every character, not only to those below 0x100: 0x1041 | 0xF000 is
    // 0xF041, the glyph of A; codes already on the page are used as they stand.
    MaskHolder anyCode(LayoutText(&symbolFont, u"\u1041\uF062\u005A", -1, 1, 100, 40, false));
    ASSERT_NE(anyCode.get(), nullptr);
    EXPECT_TRUE(MasksEqualShifted(anyCode.get(), fromPlain.get(), 0, 0));
}
} // namespace
