// The resource pack: its record codec from byte tables, and the pack and click sound read from the
// current directory when the back end is made.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/Vector.h"
#include "interface/ResourcePack.h"
#include "render/Fnt.h"
#include "render/Template.h"
#include "sound/SoundFile.h"
#include "support/LoaderTestSupport.h"
#include "tools/writer/ResourceRecordWriter.h"

using ResourceRecordWriter::CResourcePackWriter;

namespace
{
// What the codec handed over, one line per record.
class CRecordingSink : public CResourcePackSink
{
public:
    void OnFont(const char* name, const uint8_t* bytes, int32_t length) override
    {
        records.push_back("font " + std::string(name) + " " + std::to_string(length) + Sum(bytes, length));
    }
    void OnTemplate(uint32_t id, const uint8_t* data, int32_t length) override
    {
        records.push_back("template " + std::to_string(id) + " " + std::to_string(length) +
                          Sum(data, length));
    }
    void OnThumb(const uint8_t* data, int32_t length) override
    {
        records.push_back("thumb " + std::to_string(length) + Sum(data, length));
    }
    std::vector<std::string> records;

private:
    static std::string Sum(const uint8_t* bytes, int32_t length)
    {
        if (!bytes)
            return " -";
        unsigned sum = 0;
        for (int32_t i = 0; i < length; i++)
            sum += bytes[i];
        return " =" + std::to_string(sum);
    }
};

struct PackCase
{
    const char* what;
    std::vector<uint8_t> (*make)();
    bool whole;
    std::vector<std::string> expected;
};

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> list)
{
    return std::vector<uint8_t>(list);
}

class PackRecords : public ::testing::TestWithParam<PackCase>
{
};

TEST_P(PackRecords, AreHandedOverInOrder)
{
    std::vector<uint8_t> pack = GetParam().make();
    CRecordingSink sink;
    EXPECT_EQ(GetParam().whole, CResourcePack::Read(pack.data(), pack.size(), sink)) << GetParam().what;
    EXPECT_EQ(GetParam().expected, sink.records) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Codec, PackRecords,
    ::testing::Values(PackCase{"empty pack", [] { return std::vector<uint8_t>(); }, true, {}},
                      PackCase{"a group marker's length is not skipped",
                               []
                               {
                                   CResourcePackWriter w;
                                   w.PutRaw(3, 100);
                                   w.PutTemplate(9, {1, 2, 3});
                                   w.PutRaw(4, 0xFFFFFFFF);
                                   return w.Bytes();
                               },
                               true,
                               {"template 9 3 =6"}},
                      PackCase{"templates and thumbs without data",
                               []
                               {
                                   CResourcePackWriter w;
                                   w.PutTemplate(0, {7, 7});
                                   w.PutTemplate(4, {});
                                   w.PutThumb(0, {5});
                                   w.PutThumb(1, {5, 6});
                                   return w.Bytes();
                               },
                               true,
                               {"template 0 0 -", "template 4 0 -", "thumb 0 -", "thumb 2 =11"}},
                      PackCase{"unknown types are skipped by their length",
                               []
                               {
                                   CResourcePackWriter w;
                                   w.PutRaw(200, 3, {9, 9, 9});
                                   w.PutFont("arial.ttf", {1, 1, 1, 1});
                                   return w.Bytes();
                               },
                               true,
                               {"font arial.ttf 4 =4"}},
                      PackCase{"a length past the end stops before the record",
                               []
                               {
                                   CResourcePackWriter w;
                                   w.PutThumb(1, {1});
                                   w.PutRaw(2, 50, {1, 0, 0, 0, 8, 8});
                                   return w.Bytes();
                               },
                               false,
                               {"thumb 1 =1"}},
                      PackCase{"an unknown record longer than what is left",
                               []
                               {
                                   CResourcePackWriter w;
                                   w.PutRaw(77, 0x7FFFFFFF, {1, 2});
                                   return w.Bytes();
                               },
                               false,
                               {}},
                      PackCase{"a record header cut short",
                               [] {
                                   return Bytes({2, 1, 0});
                               },
                               false,
                               {}},
                      PackCase{"a font name of 259 bytes is accepted",
                               []
                               {
                                   CResourcePackWriter w;
                                   w.PutFont(std::string(259, 'n').c_str(), {3});
                                   return w.Bytes();
                               },
                               true,
                               {"font " + std::string(259, 'n') + " 1 =3"}},
                      PackCase{"a font name of 260 bytes is refused",
                               []
                               {
                                   CResourcePackWriter w;
                                   w.PutFont(std::string(260, 'n').c_str(), {3});
                                   return w.Bytes();
                               },
                               false,
                               {}},
                      PackCase{"a font name with no zero before the end",
                               []
                               {
                                   CResourcePackWriter w;
                                   w.PutRaw(1, 0, {'a', 'b'});
                                   return w.Bytes();
                               },
                               false,
                               {}},
                      PackCase{"a font file longer than what follows its name",
                               []
                               {
                                   CResourcePackWriter w;
                                   w.PutRaw(1, 5, {'a', 0, 1, 2, 3, 4});
                                   return w.Bytes();
                               },
                               false,
                               {}}));

// The back end reads "click.wav" and "resource.qvs" from the current directory when it is made.
class PackFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, getcwd(m_previous, sizeof(m_previous)));
        char pattern[] = "/tmp/nerulan-pack-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        m_dir = pattern;
        ASSERT_EQ(0, chdir(m_dir.c_str()));
    }

    void TearDown() override
    {
        EXPECT_EQ(0, chdir(m_previous));
        std::string command = "rm -rf '" + m_dir + "'";
        EXPECT_EQ(0, system(command.c_str()));
    }

    char m_previous[PATH_MAX] = {};
    std::string m_dir;
};

TEST_F(PackFiles, ThePackFillsTheTemplatesThumbsFontsAndTheClickSound)
{
    auto font =
        ResourceRecordWriter::ReadFile("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf");
    ASSERT_FALSE(font.empty());
    CResourcePackWriter pack;
    pack.PutRaw(3, 100);
    pack.PutTemplate(11, ResourceRecordWriter::SolidFrameTemplate(3));
    pack.PutFont("arial.ttf", font);
    pack.PutThumb(1, ResourceRecordWriter::SolidThumb(12));
    pack.PutTemplate(12, ResourceRecordWriter::SolidFrameTemplate(2));
    ASSERT_TRUE(pack.Save("resource.qvs"));
    ASSERT_TRUE(
        ResourceRecordWriter::WriteFile("click.wav", ResourceRecordWriter::ToneWave(22050, 30, 1000.0)));

    // No "arial.ttf" file here: the default font's face comes from the pack.
    loadertest::CBackEndHarness harness;
    ASSERT_TRUE(harness.Ready());
    CAbstractDialogSystem* system = harness.System();
    ASSERT_EQ(2, system->GetTemplates()->GetCount());
    EXPECT_EQ(11u, system->GetTemplates()->Get<CTemplate>(0)->GetId());
    EXPECT_TRUE(system->GetTemplates()->Get<CTemplate>(0)->HasEntries());
    EXPECT_EQ(12u, system->GetTemplates()->Get<CTemplate>(1)->GetId());
    ASSERT_EQ(1, system->GetSliderThumbs()->GetCount());
    EXPECT_EQ(static_cast<int32_t>(ResourceRecordWriter::SolidThumb(12).size()),
              system->GetSliderThumbs()->Get<SliderThumb>(0)->length);
    CFnt* defaultFont = system->FindFont(CAbstractDialogSystem::kDefaultFontId);
    ASSERT_NE(nullptr, defaultFont);
    EXPECT_TRUE(defaultFont->HasFace());
    ASSERT_GE(system->GetSounds()->GetCount(), 1);
    CSoundFile* click = system->GetSounds()->Get<CSoundFile>(0);
    EXPECT_EQ(CSoundFile::kClickSoundId, click->GetId());
    EXPECT_TRUE(click->IsPlayable());
    EXPECT_TRUE(system->PlaySound(CAbstractDialogSystem::kClickSoundId));
}

TEST_F(PackFiles, MissingOrBrokenFilesLeaveTheRegistriesEmpty)
{
    ASSERT_TRUE(ResourceRecordWriter::WriteFile("click.wav", std::vector<uint8_t>(16, 0)));
    ASSERT_TRUE(ResourceRecordWriter::WriteFile("resource.qvs", {2, 0xFF, 0xFF, 0, 0, 1, 0, 0, 0}));
    loadertest::CBackEndHarness harness;
    ASSERT_TRUE(harness.Ready());
    EXPECT_EQ(0, harness.System()->GetTemplates()->GetCount());
    // A click sound that does not decode is kept all the same; it just makes no sound.
    ASSERT_EQ(1, harness.System()->GetSounds()->GetCount());
    EXPECT_FALSE(harness.System()->GetSounds()->Get<CSoundFile>(0)->IsPlayable());
    // No font file anywhere: the default font exists without a face.
    CFnt* defaultFont = harness.System()->FindFont(CAbstractDialogSystem::kDefaultFontId);
    EXPECT_TRUE(defaultFont == nullptr || !defaultFont->HasFace());
}
TEST_F(PackFiles, AnEmptyClickSoundIsKeptAndAnEmptyPackGivesNothing)
{
    ASSERT_TRUE(ResourceRecordWriter::WriteFile("click.wav", {}));
    ASSERT_TRUE(ResourceRecordWriter::WriteFile("resource.qvs", {}));
    loadertest::CBackEndHarness harness;
    ASSERT_TRUE(harness.Ready());
    // The file could be opened: the click sound exists, silent, and playing it is still a play.
    ASSERT_EQ(1, harness.System()->GetSounds()->GetCount());
    CSoundFile* click = harness.System()->GetSounds()->Get<CSoundFile>(0);
    EXPECT_EQ(CSoundFile::kClickSoundId, click->GetId());
    EXPECT_FALSE(click->IsPlayable());
    EXPECT_TRUE(harness.System()->PlaySound(CAbstractDialogSystem::kClickSoundId));
    EXPECT_EQ(0, harness.System()->GetTemplates()->GetCount());
    EXPECT_EQ(0, harness.System()->GetSliderThumbs()->GetCount());
}
TEST_F(PackFiles, AFontOfTheFileWithIdZeroIsFoundAfterAPackWithFonts)
{
    auto font =
        ResourceRecordWriter::ReadFile("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf");
    ASSERT_FALSE(font.empty());
    CResourcePackWriter pack;
    pack.PutFont("arial.ttf", font);
    ASSERT_TRUE(pack.Save("resource.qvs"));
    loadertest::CBackEndHarness harness;
    ASSERT_TRUE(harness.Ready());
    harness.Begin(loadertest::RecordBytes(CInterfaceFileWriter::kCurrentVersion,
                                          [&font](CInterfaceFileWriter& w)
                                          {
                                              w.PutResourceStart(0, "Home");
                                              w.PutCount(0);
                                              w.PutCount(0);
                                              w.PutCount(1);
                                              ResourceRecordWriter::PutFont(w, 0, "FileFace", 12, font);
                                              w.PutCount(0);
                                              w.PutCount(0);
                                              w.PutCount(0);
                                          }));
    harness.LoadAll();
    CAbstractDialogSystem* system = harness.System();
    CFnt* fileFont = system->FindFont(0);
    ASSERT_NE(nullptr, fileFont);
    EXPECT_TRUE(fileFont->HasFace());
    EXPECT_EQ(12, fileFont->GetSize());
    // The pack's face is still there for the default font.
    CFnt* defaultFont = system->FindFont(CAbstractDialogSystem::kDefaultFontId);
    ASSERT_NE(nullptr, defaultFont);
    EXPECT_TRUE(defaultFont->HasFace());
}
} // namespace
