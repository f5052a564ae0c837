// Every input kept in fuzz/regress/<target>/ (each once made the panel crash, freeze or ask for
// gigabytes) goes through the parser of its fuzz target: each must end in a clear error or a
// partial load. Under the sanitizer build a crash, a huge allocation or a report fails the test.
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ClientDlg.h"
#include "fuzz/support/HeadlessInterface.h"
#include "fuzz/support/SoundDecoding.h"
#include "interface/ResourcePack.h"
#include "render/BlendTables.h"
#include "render/PixelBuffer.h"
#include "render/Sprite.h"
#include "sound/DecompressMpeg.h"
#include "sound/MpegFile.h"
#include "sound/Reader.h"
#include "sound/SoundFile.h"
#include "support/TempFolder.h"

namespace
{
namespace fs = std::filesystem;

const fs::path kRegress = fs::path(NERULAN_SOURCE_DIR) / "fuzz" / "regress";

std::vector<fs::path> InputsOf(const std::string& target)
{
    std::vector<fs::path> inputs;
    std::error_code ignored;
    for (const fs::directory_entry& entry : fs::directory_iterator(kRegress / target, ignored))
    {
        if (entry.is_regular_file())
            inputs.push_back(entry.path());
    }
    return inputs;
}

TEST(RegressInputs, InterfaceFilesFailCleanlyOrLoad)
{
    ASSERT_TRUE(CHeadlessInterface::StartSdl());
    // Start-up failures end with one of the program's own texts.
    const std::vector<std::u16string> failures = {CClientDlg::kFileNotFound, CClientDlg::kPasswordError,
                                                  CClientDlg::kDesignSizeError, CClientDlg::kDisplayError};
    ASSERT_FALSE(InputsOf("interface_file").empty());
    for (const fs::path& input : InputsOf("interface_file"))
    {
        SCOPED_TRACE(input.filename().string());
        CHeadlessInterface panel;
        CHeadlessInterface::Outcome outcome = panel.Run(input.c_str(), 100000);
        EXPECT_NE(outcome, CHeadlessInterface::Outcome::Stopped);
        if (outcome == CHeadlessInterface::Outcome::Refused)
        {
            EXPECT_NE(std::find(failures.begin(), failures.end(), panel.LastError()), failures.end());
        }
    }
}

TEST(RegressInputs, InterfaceFileWithAHugeDesignIsADisplayFailure)
{
    ASSERT_TRUE(CHeadlessInterface::StartSdl());
    CHeadlessInterface panel;
    const fs::path input = kRegress / "interface_file" / "design-65535.qvr";
    EXPECT_EQ(panel.Run(input.c_str()), CHeadlessInterface::Outcome::Refused);
    EXPECT_EQ(panel.LastError(), CClientDlg::kDisplayError);
}

TEST(RegressInputs, PicturesAreRefusedOrDecodedWithinTheCeilings)
{
    FreeImage_Initialise(FALSE);
    ASSERT_TRUE(BuildBlendTables());
    ASSERT_FALSE(InputsOf("image_decode").empty());
    for (const fs::path& input : InputsOf("image_decode"))
    {
        SCOPED_TRACE(input.filename().string());
        const std::vector<uint8_t> bytes = ReadFileBytes(input.string());
        const uint32_t length = static_cast<uint32_t>(bytes.size());
        int32_t width = 0;
        int32_t height = 0;
        CSprite::PeekImageSize(bytes.data(), length, width, height);
        FIBITMAP* bitmap = CSprite::DecodeImage(bytes.data(), length);
        if (bitmap)
        {
            EXPECT_LE(FreeImage_GetWidth(bitmap), static_cast<unsigned>(CSprite::kMaxImageSide));
            EXPECT_LE(FreeImage_GetHeight(bitmap), static_cast<unsigned>(CSprite::kMaxImageSide));
            FreeImage_Unload(bitmap);
        }
    }
    ReleaseBlendTables();
    FreeImage_DeInitialise();
}

class CCountingSink : public CResourcePackSink
{
public:
    void OnFont(const char*, const uint8_t* bytes, int32_t length) override { Touch(bytes, length); }
    void OnTemplate(uint32_t, const uint8_t* data, int32_t length) override { Touch(data, length); }
    void OnThumb(const uint8_t* data, int32_t length) override { Touch(data, length); }
    uint32_t sum = 0;

private:
    // Every byte handed over is read, so that the sanitizers see a range beyond the pack.
    void Touch(const uint8_t* data, int32_t length)
    {
        for (int32_t i = 0; data && i < length; ++i)
            sum += data[i];
    }
};

TEST(RegressInputs, ResourcePacksAndSoundsEndCleanly)
{
    for (const fs::path& input : InputsOf("resource_pack"))
    {
        SCOPED_TRACE(input.filename().string());
        const std::vector<uint8_t> bytes = ReadFileBytes(input.string());
        CCountingSink sink;
        CResourcePack::Read(bytes.data(), bytes.size(), sink);
    }
    for (const fs::path& input : InputsOf("sound_wav"))
    {
        SCOPED_TRACE(input.filename().string());
        const std::vector<uint8_t> bytes = ReadFileBytes(input.string());
        CSoundFile sound;
        if (sound.LoadFromMemory(static_cast<uint32_t>(bytes.size()), bytes.data()))
            DecodeLikeTheOutput(sound.GetDecoder());
    }
    for (const fs::path& input : InputsOf("sound_mpeg"))
    {
        SCOPED_TRACE(input.filename().string());
        const std::vector<uint8_t> bytes = ReadFileBytes(input.string());
        bool ok = false;
        CReader reader(static_cast<uint32_t>(bytes.size()), bytes.data(), ok);
        if (!ok)
            continue;
        CMpegFile stream(&reader);
        WaveFormat format;
        bool decodable = false;
        CDecompressMpeg decoder(&stream, format, decodable);
        if (decodable)
            DecodeLikeTheOutput(&decoder);
    }
}
} // namespace
