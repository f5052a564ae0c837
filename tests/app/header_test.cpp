// The interface file's header: magic, password, design size, display flags, the screen set-up and
// the back end it selects; every way a file can be too short.
#include <gtest/gtest.h>

#include <SDL.h>

#include "common/InStream.h"
#include "common/StringFunctions.h"
#include "screen/DirectXDialogSystem.h"
#include "screen/GDIDialogSystem.h"
#include "support/AppTestSupport.h"

namespace
{
using Header = CInterfaceFileWriter::Header;

std::u16string ErrorOf(const CClientDlg& dialog)
{
    return std::u16string(dialog.GetErrorText());
}

// The bytes of the header alone.
std::vector<uint8_t> HeaderBytes(const Header& header)
{
    CInterfaceFileWriter writer;
    writer.PutHeader(header);
    return writer.Bytes();
}

class HeaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_sdl.Ok());
        SDL_ShowCursor(SDL_ENABLE);
    }

    // Opens the file through a recording window (with its window made) and returns the result.
    bool Open(CRecordingClientDlg& dialog, const std::vector<uint8_t>& bytes)
    {
        EXPECT_TRUE(dialog.CreateMainWindow());
        std::string path = m_folder.Write("Main.qvr", bytes);
        return dialog.LoadInterfaceHeader(path.c_str());
    }

    HeadlessSdl m_sdl;
    TempFolder m_folder;
};

struct DisplayCase
{
    const char* name;
    uint8_t displayFlags;
    uint8_t extraFlags;
    bool fullScreen;
    bool cursorHidden;
};

void PrintTo(const DisplayCase& c, std::ostream* os)
{
    *os << c.name;
}

class HeaderDisplayTest : public HeaderTest, public ::testing::WithParamInterface<DisplayCase>
{
};

TEST_P(HeaderDisplayTest, FlagsSelectBackEndAndCursor)
{
    const DisplayCase& c = GetParam();
    Header header;
    header.designWidth = 320;
    header.designHeight = 240;
    header.displayFlags = c.displayFlags;
    header.extraFlags = c.extraFlags;
    CRecordingClientDlg dialog;
    std::vector<uint8_t> file = CInterfaceFileWriter::MinimalFile(header);
    ASSERT_TRUE(Open(dialog, file)) << ErrorOf(dialog).size();

    ASSERT_NE(dialog.GetBackEnd(), nullptr);
    EXPECT_EQ(dialog.IsDirectDraw(), c.fullScreen);
    EXPECT_EQ(dynamic_cast<CDirectXDialogSystem*>(dialog.GetBackEnd()) != nullptr, c.fullScreen);
    EXPECT_EQ(dynamic_cast<CGDIDialogSystem*>(dialog.GetBackEnd()) != nullptr, !c.fullScreen);
    EXPECT_EQ(dialog.GetBackEnd()->IsFullScreen(), c.fullScreen);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY) == SDL_DISABLE, c.cursorHidden);
    // The extra byte is consumed whenever bit 7 announces it: the device table comes next.
    EXPECT_EQ(static_cast<size_t>(dialog.GetStream()->Pending()), file.size() - HeaderBytes(header).size());
    uint16_t deviceCount = 0xFFFF;
    EXPECT_TRUE(dialog.GetStream()->ReadU16(deviceCount));
    EXPECT_EQ(deviceCount, 0);
    EXPECT_TRUE(dialog.passwordRequests.empty());
    dialog.Shutdown();
    SDL_ShowCursor(SDL_ENABLE);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, HeaderDisplayTest,
    ::testing::Values(DisplayCase{"Windowed", 0x00, 0x00, false, false},
                      DisplayCase{"FullScreenCursorShown", 0x04, 0x00, true, false},
                      DisplayCase{"FullScreenCursorHidden", 0x84, 0x01, true, true},
                      // The cursor is hidden only in full screen: the extra byte is read and ignored.
                      DisplayCase{"WindowedExtraByteIgnored", 0x80, 0x01, false, false},
                      DisplayCase{"UnusedBitsIgnored", 0x7B, 0x00, false, false}),
    [](const ::testing::TestParamInfo<DisplayCase>& info) { return std::string(info.param.name); });

struct PasswordCase
{
    const char* name;
    uint8_t flag;
    bool accepts;
    bool asked;
    bool opens;
};

void PrintTo(const PasswordCase& c, std::ostream* os)
{
    *os << c.name;
}

class HeaderPasswordTest : public HeaderTest, public ::testing::WithParamInterface<PasswordCase>
{
};

TEST_P(HeaderPasswordTest, FlagDecidesWhetherToAsk)
{
    const PasswordCase& c = GetParam();
    Header header;
    header.passwordFlag = c.flag;
    header.passwordCrc = CInterfaceFileWriter::PasswordCrc("s3cret");
    CRecordingClientDlg dialog;
    dialog.acceptPassword = c.accepts;
    bool opened = Open(dialog, CInterfaceFileWriter::MinimalFile(header));

    EXPECT_EQ(opened, c.opens);
    ASSERT_EQ(dialog.passwordRequests.size(), c.asked ? 1u : 0u);
    if (c.asked)
    {
        EXPECT_EQ(dialog.passwordRequests[0], Crc32("s3cret"));
    }
    if (opened)
    {
        EXPECT_NE(dialog.GetBackEnd(), nullptr);
    }
    else
    {
        EXPECT_EQ(ErrorOf(dialog), u"Password protection error!");
        EXPECT_EQ(dialog.GetBackEnd(), nullptr);
        EXPECT_EQ(dialog.GetStream(), nullptr);
    }
    dialog.Shutdown();
}

INSTANTIATE_TEST_SUITE_P(Flags, HeaderPasswordTest,
                         ::testing::Values(PasswordCase{"NoPassword", 0, false, false, true},
                                           PasswordCase{"FlagOneAccepted", 1, true, true, true},
                                           PasswordCase{"FlagOneRefused", 1, false, true, false},
                                           PasswordCase{"Flag255Accepted", 255, true, true, true},
                                           PasswordCase{"Flag255Refused", 255, false, true, false}),
                         [](const ::testing::TestParamInfo<PasswordCase>& info)
                         { return std::string(info.param.name); });

TEST_F(HeaderTest, MissingFileWrongMagicAndEveryCutAreNotFound)
{
    CRecordingClientDlg missing;
    EXPECT_FALSE(missing.LoadInterfaceHeader(m_folder.File("absent.qvr").c_str()));
    EXPECT_EQ(ErrorOf(missing), u"Interface file has not been found!");
    // A folder by that name opens for reading on this platform, but holds no bytes to read.
    CRecordingClientDlg folder;
    EXPECT_FALSE(folder.LoadInterfaceHeader(m_folder.Path().c_str()));
    EXPECT_EQ(ErrorOf(folder), u"Interface file has not been found!");

    for (uint32_t magic : {0x00000000u, 0x37375650u, 0x51563737u /* "77VQ" */})
    {
        Header header;
        header.magic = magic;
        CRecordingClientDlg dialog;
        EXPECT_FALSE(Open(dialog, CInterfaceFileWriter::MinimalFile(header))) << std::hex << magic;
        EXPECT_EQ(ErrorOf(dialog), u"Interface file has not been found!");
        EXPECT_EQ(dialog.GetBackEnd(), nullptr);
        dialog.Shutdown();
    }

    // A file that ends anywhere inside the header, the empty file included, is refused the same
    // way and without asking for the password.
    Header protectedFullScreen;
    protectedFullScreen.passwordFlag = 1;
    protectedFullScreen.displayFlags = 0x84;
    protectedFullScreen.extraFlags = 0x01;
    for (const Header& header : {Header{}, protectedFullScreen})
    {
        std::vector<uint8_t> full = HeaderBytes(header);
        for (size_t size = 0; size < full.size(); ++size)
        {
            CRecordingClientDlg dialog;
            dialog.acceptPassword = true;
            std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(size));
            EXPECT_FALSE(Open(dialog, cut)) << "cut at " << size;
            EXPECT_EQ(ErrorOf(dialog), u"Interface file has not been found!") << "cut at " << size;
            EXPECT_TRUE(dialog.passwordRequests.empty()) << "cut at " << size;
            EXPECT_EQ(dialog.GetBackEnd(), nullptr);
            dialog.Shutdown();
        }
    }
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

TEST_F(HeaderTest, ZeroDesignSizeIsAStartupFailure)
{
    for (auto size : {std::pair<uint16_t, uint16_t>{0, 480}, {640, 0}, {0, 0}})
    {
        Header header;
        header.designWidth = size.first;
        header.designHeight = size.second;
        CRecordingClientDlg dialog;
        EXPECT_FALSE(Open(dialog, CInterfaceFileWriter::MinimalFile(header)));
        EXPECT_EQ(ErrorOf(dialog), u"Interface design size is zero!");
        EXPECT_EQ(dialog.GetBackEnd(), nullptr);
        dialog.Shutdown();
    }
}

TEST_F(HeaderTest, AnyVersionIsAcceptedAndReachesTheBackEnd)
{
    for (uint32_t version : {0u, 0x10400u, 0x10501u, 0xFFFFFFFFu})
    {
        Header header;
        header.version = version;
        CRecordingClientDlg dialog;
        EXPECT_TRUE(Open(dialog, CInterfaceFileWriter::MinimalFile(header))) << std::hex << version;
        EXPECT_EQ(g_fileVersion, version);
        dialog.Shutdown();
    }
}

TEST_F(HeaderTest, FullScreenWithNoModeThatHoldsTheDesignIsAStartupFailure)
{
    // The dummy display has one mode, 1024 x 768.
    Header header;
    header.designWidth = 4000;
    header.designHeight = 3000;
    header.displayFlags = 0x84;
    header.extraFlags = 0x01;
    CRecordingClientDlg dialog;
    EXPECT_FALSE(Open(dialog, CInterfaceFileWriter::MinimalFile(header)));
    EXPECT_EQ(ErrorOf(dialog), u"The display could not be set up!");
    EXPECT_EQ(dialog.GetBackEnd(), nullptr);
    EXPECT_EQ(dialog.GetStream(), nullptr);
    // The error box can be answered with the pointer.
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    dialog.Shutdown();
}

TEST_F(HeaderTest, DesignsAboveTheLargestSideCannotBeSetUp)
{
    // The largest side passes; one pixel more, in either direction, is a back-end failure
    // rather than a surface of up to 17 GB.
    const int32_t largest = CAbstractDialogSystem::kMaxDesignSide;
    struct Case
    {
        int32_t width, height;
        bool accepted;
    };
    for (const Case& c : {Case{largest, 16, true}, Case{16, largest, true}, Case{largest + 1, 16, false},
                          Case{16, largest + 1, false}, Case{65535, 65535, false}})
    {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        Header header;
        header.designWidth = static_cast<uint16_t>(c.width);
        header.designHeight = static_cast<uint16_t>(c.height);
        CRecordingClientDlg dialog;
        EXPECT_EQ(Open(dialog, CInterfaceFileWriter::MinimalFile(header)), c.accepted);
        if (!c.accepted)
        {
            EXPECT_EQ(ErrorOf(dialog), u"The display could not be set up!");
            EXPECT_EQ(dialog.GetBackEnd(), nullptr);
        }
        dialog.Shutdown();
    }
}

TEST_F(HeaderTest, WithoutAWindowTheDisplayCannotBeSetUp)
{
    CRecordingClientDlg dialog;
    std::string path = m_folder.Write("Main.qvr", CInterfaceFileWriter::MinimalFile(Header{}));
    EXPECT_FALSE(dialog.LoadInterfaceHeader(path.c_str()));
    EXPECT_EQ(ErrorOf(dialog), u"The display could not be set up!");
    EXPECT_EQ(dialog.GetBackEnd(), nullptr);
}
} // namespace
