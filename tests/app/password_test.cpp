// "Password request" driven by synthetic key and text events, through the header reader that
// asks for it: OK follows the CRC of the text, and only the accepted flag decides.
#include <gtest/gtest.h>

#include "app/PasswordRequest.h"
#include "common/StringFunctions.h"
#include "support/AppTestSupport.h"

namespace
{
using Key = platform::PromptModel::Key;
using Result = platform::PromptModel::Result;

// One step of what a person does in the prompt.
struct Step
{
    enum Kind
    {
        Type,
        Press,
        ClickOk,
        ClickCancel,
        CloseBox,
    } kind;
    std::string text = {};
    Key key = Key::Enter;
};

Step Type(const std::string& text)
{
    return {Step::Type, text};
}
Step Press(Key key)
{
    return {Step::Press, {}, key};
}

struct PasswordCase
{
    const char* name;
    std::string password; // Windows-1252 bytes, as the file's CRC was made
    std::vector<Step> steps;
    bool okEnabledAtEnd;
    Result result;
    bool opens;
};

void PrintTo(const PasswordCase& c, std::ostream* os)
{
    *os << c.name;
}

// A main window whose password prompt is the real one, fed with the case's steps.
class ScriptedDlg : public CClientDlg
{
public:
    explicit ScriptedDlg(const std::vector<Step>& steps) : CClientDlg(nullptr, nullptr), m_steps(steps) {}

    bool okEnabledAtEnd = false;
    bool okEnabledAtStart = true;
    Result result = Result::Running;

protected:
    void RunPasswordRequest(uint32_t expectedCrc) override
    {
        CPasswordRequest request(this, expectedCrc);
        request.OnInitDialog();
        platform::PromptModel& model = request.GetModel();
        okEnabledAtStart = model.IsOkEnabled();
        for (const Step& step : m_steps)
        {
            switch (step.kind)
            {
            case Step::Type:
                model.InsertUtf8(step.text.c_str());
                break;
            case Step::Press:
                model.PressKey(step.key);
                break;
            case Step::ClickOk:
                model.ClickOk();
                break;
            case Step::ClickCancel:
                model.ClickCancel();
                break;
            case Step::CloseBox:
                model.Close();
                break;
            }
        }
        okEnabledAtEnd = model.IsOkEnabled();
        result = model.GetResult();
    }

private:
    std::vector<Step> m_steps;
};

class PasswordTest : public ::testing::TestWithParam<PasswordCase>
{
protected:
    HeadlessSdl m_sdl;
    TempFolder m_folder;
};

TEST_P(PasswordTest, AcceptedFlagDecides)
{
    const PasswordCase& c = GetParam();
    CInterfaceFileWriter::Header header;
    header.passwordFlag = 1;
    header.passwordCrc = CInterfaceFileWriter::PasswordCrc(c.password.c_str());
    std::string path = m_folder.Write("Main.qvr", CInterfaceFileWriter::MinimalFile(header));

    ScriptedDlg dialog(c.steps);
    ASSERT_TRUE(dialog.CreateMainWindow());
    bool opened = dialog.LoadInterfaceHeader(path.c_str());

    EXPECT_FALSE(dialog.okEnabledAtStart);
    EXPECT_EQ(dialog.okEnabledAtEnd, c.okEnabledAtEnd);
    EXPECT_EQ(dialog.result, c.result);
    EXPECT_EQ(opened, c.opens);
    if (!opened)
    {
        EXPECT_EQ(std::u16string(dialog.GetErrorText()), u"Password protection error!");
    }
    dialog.Shutdown();
}

const std::string kLong(259, 'a');

INSTANTIATE_TEST_SUITE_P(
    Scripts, PasswordTest,
    ::testing::Values(
        PasswordCase{
            "CorrectThenEnter", "s3cret", {Type("s3cret"), Press(Key::Enter)}, true, Result::Ok, true},
        PasswordCase{"TypedInPieces",
                     "s3cret",
                     {Type("s3"), Type("cr"), Type("et"), Step{Step::ClickOk}},
                     true,
                     Result::Ok,
                     true},
        // One character more disables OK again: Enter does nothing, Escape cancels.
        PasswordCase{"OneMoreCharacter",
                     "s3cret",
                     {Type("s3cret"), Type("x"), Press(Key::Enter), Press(Key::Escape)},
                     false,
                     Result::Cancel,
                     false},
        PasswordCase{"BackspaceRestores",
                     "s3cret",
                     {Type("s3cretx"), Press(Key::Backspace), Step{Step::ClickOk}},
                     true,
                     Result::Ok,
                     true},
        PasswordCase{"EditInTheMiddle",
                     "s3cret",
                     {Type("s3ret"), Press(Key::Left), Press(Key::Left), Press(Key::Left), Type("c"),
                      Press(Key::End), Press(Key::Enter)},
                     true,
                     Result::Ok,
                     true},
        // Cancel, Escape and the close box with the correct text in the box still open the file.
        PasswordCase{"CancelWithCorrectText",
                     "s3cret",
                     {Type("s3cret"), Step{Step::ClickCancel}},
                     true,
                     Result::Cancel,
                     true},
        PasswordCase{"EscapeWithCorrectText",
                     "s3cret",
                     {Type("s3cret"), Press(Key::Escape)},
                     true,
                     Result::Cancel,
                     true},
        PasswordCase{"CloseBoxWithCorrectText",
                     "s3cret",
                     {Type("s3cret"), Step{Step::CloseBox}},
                     true,
                     Result::Cancel,
                     true},
        PasswordCase{"CancelWithWrongText",
                     "s3cret",
                     {Type("secret"), Step{Step::ClickCancel}},
                     false,
                     Result::Cancel,
                     false},
        PasswordCase{"CancelWhenEmpty", "s3cret", {Step{Step::ClickCancel}}, false, Result::Cancel, false},
        // Correct once, then changed: the flag follows the last change.
        PasswordCase{"CorrectThenChanged",
                     "s3cret",
                     {Type("s3cret"), Press(Key::Home), Press(Key::Delete), Step{Step::ClickCancel}},
                     false,
                     Result::Cancel,
                     false},
        // An empty text is never accepted, even when the stored CRC is that of no bytes.
        PasswordCase{"EmptyNeverAccepted",
                     "",
                     {Type("a"), Press(Key::Backspace), Press(Key::Enter), Step{Step::ClickCancel}},
                     false,
                     Result::Cancel,
                     false},
        // The text is checked in Windows-1252 bytes: u-umlaut, sharp s and the euro sign.
        PasswordCase{"Windows1252Bytes",
                     "Gr\xFC\xDF"
                     "e\x80",
                     {Type("Gr\xC3\xBC\xC3\x9F"
                           "e\xE2\x82\xAC"),
                      Press(Key::Enter)},
                     true,
                     Result::Ok,
                     true},
        // A character Windows-1252 cannot show counts as "?".
        PasswordCase{"UnmappableBecomesQuestionMark",
                     "a?",
                     {Type("a\xC4\x81"), Press(Key::Enter)},
                     true,
                     Result::Ok,
                     true},
        // Only the first 259 units are read back for the check.
        PasswordCase{
            "ReadBackStopsAt259", kLong, {Type(kLong + "zz"), Press(Key::Enter)}, true, Result::Ok, true}),
    [](const ::testing::TestParamInfo<PasswordCase>& info) { return std::string(info.param.name); });

TEST(PasswordRequest, EachChangeWritesTheOwnersFlag)
{
    CClientDlg owner(nullptr, nullptr);
    CPasswordRequest request(&owner, Crc32("pin"));
    platform::PromptModel& model = request.GetModel();
    std::vector<bool> seen;
    for (const char* text : {"p", "i", "n", "n"})
    {
        model.InsertUtf8(text);
        seen.push_back(owner.IsPasswordAccepted());
        EXPECT_EQ(model.IsOkEnabled(), owner.IsPasswordAccepted());
    }
    EXPECT_EQ(seen, (std::vector<bool>{false, false, true, false}));
}
} // namespace
