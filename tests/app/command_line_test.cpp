// The command line: which argument is the interface file, which is the caption, and the window
// title and path that result.
#include <gtest/gtest.h>

#include "app/ClientApp.h"
#include "common/StringFunctions.h"
#include "support/AppTestSupport.h"

namespace
{
struct CommandLineCase
{
    const char* name;
    std::vector<const char*> arguments; // after the program name
    const char* path;                   // the file opened
    const char* title;
};

void PrintTo(const CommandLineCase& c, std::ostream* os)
{
    *os << c.name;
}

std::string Utf8(const char16_t* text)
{
    char* utf8 = WideToUtf8(text);
    std::string out = utf8 ? utf8 : "";
    StrFree(utf8);
    return out;
}

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase>
{
};

TEST_P(CommandLineTest, PathAndTitle)
{
    SetHeadlessEnvironment();
    const CommandLineCase& c = GetParam();
    std::vector<const char*> argv = {"nerulan"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    CClientApp app;
    app.ReadSwitches(static_cast<int>(argv.size()), argv.data());

    // The start-up names its file and sets its title before it reads anything; none of these
    // files exists in an empty folder, so it ends there.
    TempFolder folder;
    ScopedWorkingFolder inside(folder.Path());
    CClientDlg dialog(app.GetPathArgument(), app.GetCaptionArgument());
    EXPECT_FALSE(dialog.OnInitDialog());
    EXPECT_STREQ(dialog.GetPath(), c.path);
    EXPECT_EQ(dialog.GetTitle(), c.title);
    EXPECT_EQ(std::u16string(dialog.GetErrorText()), u"Interface file has not been found!");
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineTest,
    ::testing::Values(
        CommandLineCase{"None", {}, "Main.qvr", "Nerulan 1.5.6"},
        CommandLineCase{"PathOnly", {"plan.qvr"}, "plan.qvr", "Nerulan 1.5.6"},
        CommandLineCase{"CaptionFoldsCase", {"/CAPTION", "Hall"}, "Main.qvr", "Hall 1.5.6"},
        CommandLineCase{"PathThenCaption", {"plan.qvr", "/caption", "Hall"}, "plan.qvr", "Hall 1.5.6"},
        // Only the first argument can be the path.
        CommandLineCase{"SwitchBeforePath", {"/s", "plan.qvr"}, "Main.qvr", "Nerulan 1.5.6"},
        CommandLineCase{"CaptionBeforePath", {"/caption", "Hall", "plan.qvr"}, "Main.qvr", "Hall 1.5.6"},
        CommandLineCase{"CaptionLast", {"plan.qvr", "/caption"}, "plan.qvr", "Nerulan 1.5.6"},
        CommandLineCase{"CaptionEmpty", {"/caption", ""}, "Main.qvr", "Nerulan 1.5.6"},
        // A later empty caption clears an earlier one.
        CommandLineCase{"CaptionCleared", {"/caption", "Hall", "/caption", ""}, "Main.qvr", "Nerulan 1.5.6"},
        // The consumed argument is never a switch, and a caption may look like one.
        CommandLineCase{"CaptionLooksLikeSwitch", {"/caption", "/s"}, "Main.qvr", "/s 1.5.6"},
        CommandLineCase{
            "EveryInertSwitch", {"/S", "/w", "/H", "/FullScreenOn", "/soundON"}, "Main.qvr", "Nerulan 1.5.6"},
        // Switches match whole: a longer or shorter word is an ordinary argument.
        CommandLineCase{"PartialSwitchIsPath", {"/soundon2"}, "/soundon2", "Nerulan 1.5.6"},
        CommandLineCase{"PrefixIsPath", {"/cap", "Hall"}, "/cap", "Nerulan 1.5.6"},
        CommandLineCase{"EmptyFirstGivesNoPath", {"", "plan.qvr"}, "Main.qvr", "Nerulan 1.5.6"},
        // Only ASCII letters fold; the caption keeps every character.
        CommandLineCase{"NonAsciiCaption",
                        {"/caption", "K\xC3\xBC"
                                     "che \xE2\x82\xAC"},
                        "Main.qvr",
                        "K\xC3\xBC"
                        "che \xE2\x82\xAC 1.5.6"},
        // A caption that is no UTF-8 reads its other bytes as Windows-1252, neither cut nor dropped.
        CommandLineCase{"Latin1Caption",
                        {"/caption", "K\xFC"
                                     "che \x80"},
                        "Main.qvr",
                        "K\xC3\xBC"
                        "che \xE2\x82\xAC 1.5.6"},
        CommandLineCase{"MixedCaption",
                        {"/caption", "\xC3\xA4\xE4\xE2\x82"},
                        "Main.qvr",
                        "\xC3\xA4\xC3\xA4\xC3\xA2\xE2\x80\x9A 1.5.6"},
        CommandLineCase{"NonAsciiPath", {"Pl\xC3\xA4n.qvr"}, "Pl\xC3\xA4n.qvr", "Nerulan 1.5.6"},
        // A file name that is no UTF-8 (a Latin-1 name, a stray byte first, a cut or over-long
        // sequence) is opened by its very bytes, neither cut short nor dropped.
        CommandLineCase{"Latin1Path", {"Pl\xE4n.qvr"}, "Pl\xE4n.qvr", "Nerulan 1.5.6"},
        CommandLineCase{"StrayByteFirst",
                        {"\xFF"
                         "plan.qvr"},
                        "\xFF"
                        "plan.qvr",
                        "Nerulan 1.5.6"},
        CommandLineCase{"CutAndOverLongSequences",
                        {"a\xE2\x82"
                         "b\xC0\xAF"
                         "c\xF0\x9F\x98\x80"},
                        "a\xE2\x82"
                        "b\xC0\xAF"
                        "c\xF0\x9F\x98\x80",
                        "Nerulan 1.5.6"}),
    [](const ::testing::TestParamInfo<CommandLineCase>& info) { return std::string(info.param.name); });

TEST(CommandLine, DotlessCapitalIDoesNotFoldIntoASwitch)
{
    // U+0130 must not turn "/capt\u0130on" into "/caption": only ASCII letters fold.
    const char* argv[] = {"nerulan", "x.qvr", "/capt\xC4\xB0on", "Hall"};
    CClientApp app;
    app.ReadSwitches(4, argv);
    EXPECT_EQ(app.GetCaptionArgument(), nullptr);
    EXPECT_EQ(Utf8(app.GetPathArgument()), "x.qvr");
}
} // namespace
