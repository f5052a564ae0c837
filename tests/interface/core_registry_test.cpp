// Registration by the loaders and the lookups of pages, popups, groups, images and fonts.
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "common/StringFunctions.h"
#include "interface/DialogItem.h"
#include "render/Fnt.h"
#include "render/Sprite.h"
#include "screen/GDIDialogSystem.h"

namespace
{
class CoreRegistry : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("ALSOFT_DRIVERS", "null", 1);
        m_system = new CGDIDialogSystem(0);
        for (const char* name : {"Main", "Lights", "main", "Lights"})
            m_system->GetPages()->Add(Named(name));
        for (const char* name : {"Volume", "Keypad"})
            m_system->GetPopups()->Add(Named(name));
        for (const char* name : {"Left", "Right"})
            m_system->GetPopupGroups()->Add(StrDup(name));
    }
    void TearDown() override { delete m_system; }

    CDialogItem* Named(const char* name)
    {
        CDialogItem* item = new CDialogItem(0, m_system->GetRootItem());
        item->m_name = StrDup(name);
        return item;
    }

    CAbstractDialogSystem* m_system = nullptr;
};

TEST_F(CoreRegistry, NameLookupsAreOneBasedExactAndFirstMatch)
{
    struct Case
    {
        const char* name;
        int32_t page, popup, group;
    } cases[] = {
        {"Main", 1, 0, 0},    {"main", 3, 0, 0},   {"Lights", 2, 0, 0}, {"MAIN", 0, 0, 0},
        {"Volume", 0, 1, 0},  {"Keypad", 0, 2, 0}, {"Right", 0, 0, 2},  {"Left", 0, 0, 1},
        {"Lights ", 0, 0, 0}, {"", 0, 0, 0},       {nullptr, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        const char* label = c.name ? c.name : "(null)";
        EXPECT_EQ(c.page, m_system->FindPageByName(c.name)) << label;
        EXPECT_EQ(c.popup, m_system->FindPopupByName(c.name)) << label;
        EXPECT_EQ(c.group, m_system->FindPopupGroup(c.name)) << label;
    }
    EXPECT_EQ(m_system->GetPages()->GetAt(2), m_system->GetPage(3));
    EXPECT_EQ(nullptr, m_system->GetPage(0));
    EXPECT_EQ(nullptr, m_system->GetPage(5));
    EXPECT_EQ(nullptr, m_system->GetPopup(-1));
}

TEST_F(CoreRegistry, AddImageRegistersTheBitmapUnderItsId)
{
    EXPECT_FALSE(m_system->AddImage(nullptr, 5));
    ASSERT_TRUE(m_system->AddImage(FreeImage_Allocate(30, 20, 32), CAbstractDialogSystem::kSplashImageId));
    ASSERT_TRUE(m_system->AddImage(FreeImage_Allocate(4, 4, 32), 9));
    ASSERT_TRUE(m_system->AddImage(FreeImage_Allocate(8, 8, 32), 9));
    CSprite* splash = m_system->FindImage(CAbstractDialogSystem::kSplashImageId);
    ASSERT_NE(nullptr, splash);
    EXPECT_EQ(30, splash->GetWidth());
    EXPECT_EQ(20, splash->GetHeight());
    EXPECT_FALSE(splash->HasName());
    ASSERT_NE(nullptr, m_system->FindImage(9));
    EXPECT_EQ(4, m_system->FindImage(9)->GetWidth()); // the first with the id
    EXPECT_EQ(nullptr, m_system->FindImage(10));
    EXPECT_EQ(nullptr, m_system->FindIcon(9));
}

TEST_F(CoreRegistry, FontsNeedANameAndBytes)
{
    std::ifstream file("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf", std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty());
    int32_t length = static_cast<int32_t>(bytes.size());
    EXPECT_FALSE(m_system->AddFontFromMemory(nullptr, bytes.data(), length, 3, 12));
    EXPECT_FALSE(m_system->AddFontFromMemory("Face", nullptr, length, 3, 12));
    EXPECT_FALSE(m_system->AddFontFromFile(nullptr, 4, 12));
    EXPECT_FALSE(m_system->AddFontFromFile("", 4, 12));
    EXPECT_EQ(0, m_system->GetFonts()->GetCount());
    ASSERT_TRUE(m_system->AddFontFromMemory("Core Test Face", bytes.data(), length, 3, 12));
    CFnt* font = m_system->FindFont(3);
    ASSERT_NE(nullptr, font);
    EXPECT_TRUE(font->HasFace());
    EXPECT_EQ(12, font->GetSize());
    // A file that does not exist still registers a font, one that draws nothing.
    EXPECT_TRUE(m_system->AddFontFromFile("no-such-font.ttf", 4, 12));
    EXPECT_EQ(2, m_system->GetFonts()->GetCount());
}

TEST_F(CoreRegistry, AFontWithoutAFaceHidesNoLaterFont)
{
    // The broken record keeps id 0; the working font after it asks for id 0 too, and must be the
    // one found, or text in that font would vanish.
    std::ifstream file("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf", std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty());
    const std::vector<uint8_t> garbage(512, 0x5A);
    ASSERT_TRUE(m_system->AddFontFromMemory("Broken Face", garbage.data(), 512, 0, 12));
    ASSERT_TRUE(m_system->AddFontFromFile("no-such-font.ttf", 0, 12));
    EXPECT_EQ(nullptr, m_system->FindFont(0));
    ASSERT_TRUE(m_system->AddFontFromMemory("Working Face", bytes.data(), static_cast<int32_t>(bytes.size()), 0, 14));
    CFnt* font = m_system->FindFont(0);
    ASSERT_NE(nullptr, font);
    EXPECT_TRUE(font->HasFace());
    EXPECT_EQ(14, font->GetSize());
}
} // namespace
