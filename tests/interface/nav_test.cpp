// Navigation: the page history and showing, hiding and toggling popups by name and by group.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/DynamicSpriteData.h"
#include "common/Vector.h"
#include "interface/AbstractEffect.h"
#include "interface/DialogPage.h"
#include "render/DynamicSprite.h"
#include "support/LoaderTestSupport.h"

using loadertest::CBackEndHarness;
using loadertest::Page;
using loadertest::Popup;
using loadertest::ShownPopups;

namespace
{
class Navigation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_harness.Ready());
        m_harness.Begin(loadertest::Interface(
            CInterfaceFileWriter::kCurrentVersion, 0, "First", {},
            {Page("First", 0x101010FF), Page("Second", 0x202020FF), Page("Third", 0x303030FF)},
            {Popup("Left", "Side", 0, 0, 100, 100, 0xFF0000FF),
             Popup("Right", "Side", 100, 0, 100, 100, 0x00FF00FF),
             Popup("Solo", nullptr, 0, 200, 100, 100, 0x0000FFFF),
             Popup("Extra", nullptr, 0, 300, 50, 50, 0x0000FFFF)}));
        m_harness.LoadAll();
        ASSERT_STREQ("First", m_harness.CurrentPageName());
    }

    std::vector<int32_t> History() { return System()->GetPageHistory(); }

    // Runs "verb popup[@page]" words in order: show, hide, toggle, hidegroup, hideall, hideeverywhere,
    // hideallon.
    void Run(const std::string& script)
    {
        std::istringstream words(script);
        std::string verb;
        std::string arg;
        while (words >> verb >> arg)
        {
            std::string popup = arg;
            std::string page;
            size_t at = arg.find('@');
            if (at != std::string::npos)
            {
                popup = arg.substr(0, at);
                page = arg.substr(at + 1);
            }
            const char* pageName = page.empty() ? nullptr : page.c_str();
            if (verb == "show")
                System()->ShowPopup(popup.c_str(), pageName);
            else if (verb == "hide")
                System()->HidePopup(popup.c_str(), pageName);
            else if (verb == "toggle")
                System()->TogglePopup(popup.c_str(), pageName);
            else if (verb == "hidegroup")
                System()->HidePopupGroup(popup.c_str());
            else if (verb == "hideeverywhere")
                System()->HidePopupOnAllPages(popup.c_str());
            else if (verb == "hideallon")
                System()->HideAllPopupsOnPage(popup == "-" ? nullptr : popup.c_str());
            else if (verb == "hideall")
                System()->HideAllPopups();
            else if (verb == "page")
                System()->ShowPage(popup.c_str());
            else
                FAIL() << "unknown verb " << verb;
        }
    }

    static std::string Join(const std::vector<std::string>& names)
    {
        std::string text;
        for (const auto& name : names)
            text += (text.empty() ? "" : " ") + name;
        return text;
    }

    CGDIDialogSystem* System() { return m_harness.System(); }

    CBackEndHarness m_harness;
};

TEST_F(Navigation, ShowPageWritesAfterTheCurrentEntryAndGoBackStepsBack)
{
    System()->ShowPage("Second");
    System()->GoBack();
    EXPECT_STREQ("First", m_harness.CurrentPageName());
    System()->ShowPage("Third");
    EXPECT_EQ((std::vector<int32_t>{1 + 1, 4}), History()) << "the Loading page is page 1";
    EXPECT_EQ(1, System()->GetHistoryIndex());
    System()->GoBack();
    EXPECT_STREQ("First", m_harness.CurrentPageName());
    // The start page replaced the Loading page's entry: there is nothing further back.
    System()->GoBack();
    EXPECT_STREQ("First", m_harness.CurrentPageName());
    EXPECT_EQ(0, System()->GetHistoryIndex());
}

TEST_F(Navigation, UnknownPageNamesChangeNeitherThePageNorTheHistory)
{
    for (const char* name : {"Nope", "", "first", static_cast<const char*>(nullptr)})
    {
        System()->ShowPage(name);
        EXPECT_STREQ("First", m_harness.CurrentPageName());
        EXPECT_EQ(1u, History().size());
    }
}

TEST_F(Navigation, ShowingThePageThatIsCurrentAddsAnEntry)
{
    System()->ShowPage("First");
    EXPECT_EQ(2u, History().size());
    System()->GoBack();
    EXPECT_STREQ("First", m_harness.CurrentPageName());
}

struct PopupCase
{
    const char* script;
    const char* first;  // popups shown on First afterwards, bottom first
    const char* second; // on Second
};

class PopupScripts : public Navigation, public ::testing::WithParamInterface<PopupCase>
{
};

TEST_P(PopupScripts, LeaveTheExpectedPopupsShown)
{
    Run(GetParam().script);
    EXPECT_EQ(GetParam().first, Join(ShownPopups(System(), "First"))) << GetParam().script;
    EXPECT_EQ(GetParam().second, Join(ShownPopups(System(), "Second"))) << GetParam().script;
}

INSTANTIATE_TEST_SUITE_P(
    Groups, PopupScripts,
    ::testing::Values(
        // One popup of a group at a time.
        PopupCase{"show Left show Right", "Right", ""},
        // Hiding any member hides whichever member is shown.
        PopupCase{"show Right hide Left", "", ""},
        // Re-showing a popup raises it without duplicating it.
        PopupCase{"show Solo show Left show Extra show Solo", "Left Extra Solo", ""},
        PopupCase{"show Left show Solo show Left", "Solo Left", ""},
        // Toggling a popup of no group shows and hides it.
        PopupCase{"toggle Solo", "Solo", ""}, PopupCase{"toggle Solo toggle Solo", "", ""},
        // Toggling a grouped popup first hides the other members.
        PopupCase{"show Left toggle Right", "Right", ""}, PopupCase{"show Left toggle Left", "", ""},
        // By page name: the named page's list, whichever page is current.
        PopupCase{"show Solo@Second show Left@Second", "", "Solo Left"},
        PopupCase{"show Solo show Solo@Second hideall x", "", ""},
        PopupCase{"show Solo show Extra@Second show Solo@Second hideeverywhere Solo", "", "Extra"},
        PopupCase{"show Solo show Extra show Extra@Second hideallon First", "", "Extra"},
        PopupCase{"show Solo show Extra hideallon -", "", ""},
        PopupCase{"show Left show Solo hidegroup Side", "Solo", ""},
        PopupCase{"show Left hidegroup Nothing hidegroup Solo", "Left", ""},
        // Names that are not there change nothing.
        PopupCase{"show Solo show Nope hide Nope toggle Nope show Left@Nope", "Solo", ""},
        // A page keeps its popups while another page is current.
        PopupCase{"show Solo page Second show Left page First", "Solo", "Left"}));

// An effect that only records being armed and reset; the popup's own list handling is tested.
class CRecordingEffect : public CAbstractEffect
{
public:
    explicit CRecordingEffect(uint32_t events) : m_events(events) {}
    bool Arm(int32_t event) override
    {
        bool mine = (event == 1 && (m_events & 1)) || (event == 2 && (m_events & 2));
        if (mine)
            m_state = StateArmed;
        return mine;
    }
    void Reset() override
    {
        resets++;
        m_state = StateIdle;
    }
    uint32_t GetEvents() override { return m_events; }
    int resets = 0;

private:
    uint32_t m_events;
};

TEST_F(Navigation, EffectsRunOnlyOnTheCurrentPageAndThenOwnTheListChange)
{
    CDialogPopup* solo = System()->GetPopupObject(System()->FindPopupByName("Solo"));
    auto* show = new CRecordingEffect(0x80000001);
    auto* hide = new CRecordingEffect(0x80000002);
    solo->m_effects->Add(show);
    solo->m_effects->Add(hide);

    // On a page that is not current the popup is added at once and the effect stays idle.
    System()->ShowPopup("Solo", "Second");
    EXPECT_EQ((std::vector<std::string>{"Solo"}), ShownPopups(System(), "Second"));
    EXPECT_EQ(CAbstractEffect::StateIdle, show->m_state);

    // On the current page the show effect is armed and will add the popup itself.
    System()->ShowPopup("Solo", nullptr);
    EXPECT_TRUE(ShownPopups(System(), "First").empty());
    EXPECT_EQ(CAbstractEffect::StateArmed, show->m_state);
    EXPECT_EQ(System()->FindPageByName("First"), show->m_pageNumber);

    // Once shown (as the effect would do), hiding arms the hide effect, resets the running show,
    // and keeps the popup on the list for the effect to take off.
    System()->RaisePopupOnPage(System()->FindPageByName("First"), System()->FindPopupByName("Solo"));
    System()->HidePopup("Solo", nullptr);
    EXPECT_EQ(CAbstractEffect::StateArmed, hide->m_state);
    EXPECT_EQ(1, show->resets);
    EXPECT_EQ((std::vector<std::string>{"Solo"}), ShownPopups(System(), "First"));
}

TEST_F(Navigation, PageListHoldsAtMostItsRoomAndRefusesMore)
{
    CDialogPage* page = System()->GetPageObject(System()->FindPageByName("Second"));
    ASSERT_NE(nullptr, page);
    for (int32_t n = 1; n <= CDialogPage::kMaxShownPopups; n++)
        ASSERT_TRUE(page->AddPopup(n));
    EXPECT_FALSE(page->AddPopup(CDialogPage::kMaxShownPopups + 1));
    EXPECT_EQ(CDialogPage::kMaxShownPopups, page->GetShownCount());
    // A number already there still moves to the top when the list is full.
    EXPECT_TRUE(page->AddPopup(1));
    EXPECT_EQ(1, page->GetShownAt(CDialogPage::kMaxShownPopups - 1));
    EXPECT_EQ(2, page->GetShownAt(0));
}

TEST_F(Navigation, AddDynamicImageWithAKnownNameChangesThatImage)
{
    CVector* images = System()->GetImages();
    int32_t before = images->GetCount();
    CDynamicSpriteData first;
    first.mask = CDynamicSpriteData::ChangeHost | CDynamicSpriteData::ChangePort;
    CDynamicSpriteData::SetText(first.host, "127.0.0.1");
    first.port = 8080;
    System()->AddDynamicImage("Cam", &first);
    ASSERT_EQ(before + 1, images->GetCount());
    CDynamicSprite* cam = images->Get<CDynamicSprite>(before);
    ASSERT_EQ(CSprite::KindDynamic, cam->GetKind());
    EXPECT_EQ(static_cast<uint32_t>(before + 1), cam->GetId());

    CDynamicSpriteData second;
    second.mask = CDynamicSpriteData::ChangePort;
    second.port = 9090;
    for (int i = 0; i < 50; i++)
        System()->AddDynamicImage("Cam", &second);
    EXPECT_EQ(before + 1, images->GetCount());
    EXPECT_EQ(9090, cam->GetPort());
    EXPECT_STREQ("127.0.0.1", cam->GetHost());

    System()->ChangeDynamicImage("Nope", &first);
    System()->AddDynamicImage("Other", &first);
    EXPECT_EQ(before + 2, images->GetCount());
}

TEST_F(Navigation, AddDynamicImageWithoutANameAddsNothing)
{
    // A peer that sends the request without a name, again and again, must not grow the images.
    CVector* images = System()->GetImages();
    int32_t before = images->GetCount();
    CDynamicSpriteData data;
    data.mask = CDynamicSpriteData::ChangeHost;
    CDynamicSpriteData::SetText(data.host, "127.0.0.1");
    for (int i = 0; i < 1000; i++)
        System()->AddDynamicImage("", &data);
    System()->AddDynamicImage(nullptr, &data);
    EXPECT_EQ(before, images->GetCount());
}
} // namespace
