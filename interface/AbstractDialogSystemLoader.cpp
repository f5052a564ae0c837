// The incremental loader of the interface file's resource sections (one record per tick behind the
// built-in Loading page) and the resource pack read when the back end is made.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

#include "common/InStream.h"
#include "common/StringFunctions.h"
#include "common/Vector.h"
#include "devices/HTTPDynamicImage.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogButton.h"
#include "interface/DialogPage.h"
#include "interface/DialogPopup.h"
#include "interface/DialogSlider.h"
#include "interface/ResourcePack.h"
#include "platform/FileNames.h"
#include "render/DynamicSprite.h"
#include "render/Fnt.h"
#include "render/FontFaceCache.h"
#include "render/SplashImage.h"
#include "render/Sprite.h"
#include "render/Template.h"
#include "sound/SoundFile.h"

namespace
{
constexpr uint32_t kVersionSounds = 0x10500;    // sounds section only above this
constexpr uint32_t kVersionFontFiles = 0x103FF; // fonts carry their file above this
constexpr uint32_t kVersionAutoHide = 0x10501;
constexpr uint32_t kLoadingColour = 0xDDD89CFF;
constexpr int32_t kBarWidth = 240;
constexpr int32_t kBarHeight = 30;
constexpr int32_t kBarGap = 30;
constexpr int32_t kSplashMargin = 40;
// Files read whole at start-up; anything larger is not a click sound or a resource pack.
constexpr long kMaxSideFile = 256L * 1024 * 1024;

// The step text shown on the progress bar when a section begins (none for the sounds).
const char* const kStepTexts[CAbstractDialogSystem::SectionCount] = {
    "Init", "Load images", "Load icons", "Load fonts", nullptr, "Load pages", "Load popups"};

// A text of the file, an empty text kept as none (the start-up names and the start page name).
bool ReadNonEmptyText(CInStream* stream, char*& text)
{
    if (!stream->ReadText(text))
        return false;
    if (text && !*text)
    {
        delete[] text;
        text = nullptr;
    }
    return true;
}

// A zero-terminated text of the old font record; false when no zero is left in the stream.
bool ReadZeroText(CInStream* stream, char*& text)
{
    text = nullptr;
    const void* zero = std::memchr(stream->ReadPos(), 0, static_cast<size_t>(stream->Pending()));
    if (!zero)
        return false;
    size_t length = static_cast<const uint8_t*>(zero) - stream->ReadPos();
    text = new char[length + 1];
    stream->ReadBytes(text, static_cast<int32_t>(length + 1));
    return true;
}

// Font file names of the older files were written on Windows: they may separate folders with '\'
// and differ in letter case from the file on disk. A name the face cache knows, or that opens,
// stays as it is; otherwise the file whose name matches ignoring case is used.
std::string LocalFontFileName(const char* name)
{
    std::string path(name);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || FontFaceCache::HasFace(path.c_str()) || access(path.c_str(), R_OK) == 0)
        return path;
    const std::string match = platform::FindFileIgnoringCase(path);
    return match.empty() ? path : match;
}

// A byte block of the stream: its 32-bit length, then that many bytes (left in the stream).
bool ReadBlockLength(CInStream* stream, uint32_t& length)
{
    return stream->ReadU32(length) && length <= static_cast<uint32_t>(stream->Pending());
}

// Items bound to the loader's address on one page or popup.
template <class Fn> void ForLoaderItems(CDialogPopup* container, Fn fn)
{
    if (!container)
        return;
    if (container->IsBoundTo(kLoaderChannelAddress))
        fn(container);
    for (int32_t i = 0; i < container->GetChildCount(); i++)
    {
        CDialogItem* child = container->GetChild(i);
        if (child->IsBoundTo(kLoaderChannelAddress))
            fn(child);
    }
}

// A whole file of the current directory, null when it cannot be read. An empty file is read all
// the same (a block of no bytes): an empty "click.wav" still gives a click sound, one that is silent.
uint8_t* ReadWholeFile(const char* name, size_t& size)
{
    size = 0;
    FILE* file = std::fopen(name, "rb");
    if (!file)
        return nullptr;
    uint8_t* bytes = nullptr;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        length = std::ftell(file);
    if (length == 0)
        bytes = new uint8_t[1];
    else if (length > 0 && length <= kMaxSideFile && std::fseek(file, 0, SEEK_SET) == 0)
    {
        bytes = new uint8_t[static_cast<size_t>(length)];
        if (std::fread(bytes, 1, static_cast<size_t>(length), file) == static_cast<size_t>(length))
        {
            size = static_cast<size_t>(length);
        }
        else
        {
            delete[] bytes;
            bytes = nullptr;
        }
    }
    std::fclose(file);
    return bytes;
}

// A font without a face that keeps the face cache, and with it the pack's faces, alive until a
// font of the interface holds it too (the default font does from Init on).
class CPackFaceHolder : public CFnt
{
public:
    CPackFaceHolder() : CFnt("", 0, 0) {}
};

// Takes the pack's holder out of the fonts once another font holds the face cache: left there it
// would be the first font with id 0 and hide a font of the interface file with that id.
void DropPackFaceHolder(CVector* fonts)
{
    if (fonts->GetCount() < 2)
        return;
    for (int32_t i = 0; i < fonts->GetCount(); i++)
    {
        CFnt* font = fonts->Get<CFnt>(i);
        if (dynamic_cast<CPackFaceHolder*>(font))
        {
            fonts->RemoveAt(i);
            delete font;
            return;
        }
    }
}

// Hands the records of the resource pack to the back end's registries.
class CPackToRegistries : public CResourcePackSink
{
public:
    explicit CPackToRegistries(CAbstractDialogSystem* system) : m_system(system) {}

    void OnFont(const char* name, const uint8_t* bytes, int32_t length) override
    {
        // The face cache lives while a font object holds it: a font without a face, kept with
        // the fonts, holds it for the pack's faces until other fonts do (DropPackFaceHolder).
        if (!m_holding)
        {
            m_system->GetFonts()->Add(new CPackFaceHolder());
            m_holding = true;
        }
        LoadFontFaceFromMemory(name, bytes, length);
    }

    void OnTemplate(uint32_t id, const uint8_t* data, int32_t length) override
    {
        m_system->GetTemplates()->Add(new CTemplate(id, data, length));
    }

    void OnThumb(const uint8_t* data, int32_t length) override
    {
        SliderThumb* thumb = new SliderThumb{nullptr, 0};
        if (data && length > 0)
        {
            thumb->data = new uint8_t[static_cast<size_t>(length)];
            std::memcpy(thumb->data, data, static_cast<size_t>(length));
            thumb->length = length;
        }
        m_system->GetSliderThumbs()->Add(thumb);
    }

private:
    CAbstractDialogSystem* m_system;
    bool m_holding = false;
};
} // namespace

// ---- Resource pack and click sound --------------------------------------------------------------

void CAbstractDialogSystem::LoadResourcePack()
{
    size_t size = 0;
    uint8_t* bytes = ReadWholeFile("click.wav", size);
    if (bytes)
    {
        // Kept even when it does not decode: playing it then simply makes no sound.
        CSoundFile* click = new CSoundFile();
        click->LoadFromMemory(static_cast<uint32_t>(size), bytes);
        click->SetId(static_cast<uint32_t>(kClickSoundId));
        m_sounds->Add(click);
        delete[] bytes;
    }
    bytes = ReadWholeFile("resource.qvs", size);
    if (!bytes)
        return;
    CPackToRegistries sink(this);
    CResourcePack::Read(bytes, size, sink);
    delete[] bytes;
}

// ---- Loading page -------------------------------------------------------------------------------

void CAbstractDialogSystem::BuildLoadingPage()
{
    CDialogPage* page = new CDialogPage(m_rootItem);
    int32_t designWidth = m_rootItem->m_loadedRect.width;
    int32_t designHeight = m_rootItem->m_loadedRect.height;
    CSprite* splash = FindImage(kSplashImageId);
    int32_t splashHeight = 0;
    if (splash && splash->HasBitmap())
    {
        int32_t w = splash->GetWidth();
        splashHeight = splash->GetHeight();
        ItemRect rect{(designWidth - w) / 2, (designHeight - splashHeight - kSplashMargin) / 2, w,
                      splashHeight};
        CDialogButton* picture = new CDialogButton(page, rect);
        picture->SetBitmapCentred(splash);
        page->AddChild(picture);
    }
    ItemRect barRect{(designWidth - kBarWidth) / 2,
                     (designHeight - splashHeight - kSplashMargin) / 2 + splashHeight + kBarGap, kBarWidth,
                     kBarHeight};
    CDialogSlider* bar = new CDialogSlider(page, barRect, m_recordTotal);
    bar->BindLoaderAddress();
    CFnt* font = FindFont(kDefaultFontId);
    if (font)
        bar->SetFont(font);
    bar->SetLoadingBorder();
    bar->SetBorderColor(-1, kLoadingColour);
    bar->SetTextColor(-1, kLoadingColour);
    page->AddChild(bar);
    page->SetNumber(m_pages->Add(page));
}

// ---- Incremental loading ------------------------------------------------------------------------

void CAbstractDialogSystem::BeginLoad(CInStream* stream)
{
    m_loadStream = stream;
    m_recordTotal = 0;
    bool readable = stream && stream->ReadU32(m_recordTotal);
    delete[] m_sections;
    m_sections = new LoaderSection[SectionCount];
    for (int32_t i = 0; i < SectionCount; i++)
        // Without a record total there is nothing to read: loading ends at the first call.
        m_sections[i] = LoaderSection{static_cast<uint8_t>(readable ? 0 : 1), 0, -1};
    StrFree(m_startPageName);
    m_startPageName = nullptr;
    m_progress = 0;
    DropPackFaceHolder(m_fonts);
    if (!FindImage(kSplashImageId))
        AddImage(SplashImage::Decode(), kSplashImageId);
    BuildLoadingPage();
    ShowPage("Loading");
}

const LoaderSection* CAbstractDialogSystem::GetLoaderSection(int32_t index) const
{
    return m_sections && index >= 0 && index < SectionCount ? &m_sections[index] : nullptr;
}

bool CAbstractDialogSystem::LoadNext()
{
    // Not begun, or over: the stream is forgotten when loading ends (its owner frees it then).
    if (!m_sections || !m_loadStream)
        return false;
    SetItemValue(kLoaderChannelAddress, static_cast<float>(m_progress));
    if (static_cast<int64_t>(m_progress) < static_cast<int64_t>(m_recordTotal))
        m_progress++;
    for (int32_t s = 0; s < SectionCount; s++)
    {
        LoaderSection& section = m_sections[s];
        if (section.done)
            continue;
        bool ok = true;
        if (s == SectionSounds && g_fileVersion <= kVersionSounds)
        {
            section.done = 1;
            continue;
        }
        if (section.count < 0)
            ok = ReadSectionHeader(s);
        if (ok && section.next < section.count)
        {
            if (ReadSectionRecord(s))
            {
                section.next++;
                return true;
            }
            ok = false;
        }
        if (!ok)
        {
            // A record that is cut short or cannot be skipped: what follows it cannot be found, so
            // loading ends here and the interface read so far is shown.
            for (int32_t i = 0; i < SectionCount; i++)
                m_sections[i].done = 1;
            break;
        }
        section.done = 1;
    }
    FinishLoading();
    return false;
}

bool CAbstractDialogSystem::ReadSectionHeader(int32_t section)
{
    CInStream* stream = m_loadStream;
    LoaderSection& state = m_sections[section];
    if (section == SectionStartUp)
    {
        StrFree(m_startPageName);
        m_startPageName = nullptr;
        if (!ReadNonEmptyText(stream, m_startPageName))
            return false;
    }
    uint16_t count = 0;
    if (!stream->ReadU16(count))
        return false;
    state.count = count;
    if (kStepTexts[section])
        SetLoaderText(kStepTexts[section]);
    return true;
}

bool CAbstractDialogSystem::ReadSectionRecord(int32_t section)
{
    switch (section)
    {
    case SectionStartUp:
    {
        char* name = nullptr;
        if (!ReadNonEmptyText(m_loadStream, name))
            return false;
        if (name)
            m_startupPopups->Add(name);
        return true;
    }
    case SectionImages:
        return LoadImageRecord();
    case SectionIcons:
        return LoadIconRecord();
    case SectionFonts:
        return LoadFontRecord();
    case SectionSounds:
        return LoadSoundRecord();
    case SectionPages:
        return LoadPageRecord();
    case SectionPopups:
        return LoadPopupRecord();
    default:
        return false;
    }
}

void CAbstractDialogSystem::FinishLoading()
{
    m_loadStream = nullptr;
    // The running interface never waits for the sound library.
    JoinSoundStarter();
    // The Loading page leaves the history: the start page takes its entry.
    m_historyIndex = -1;
    ShowPage(m_startPageName);
    for (int32_t i = 0; i < m_startupPopups->GetCount(); i++)
        ShowPopup(m_startupPopups->Get<const char>(i), nullptr);
}

void CAbstractDialogSystem::SetLoaderText(const char* text)
{
    char16_t* wide = Utf8ToWide(text);
    auto apply = [wide](CDialogItem* item) { item->SetText(-1, wide); };
    for (int32_t i = 1; i <= m_pages->GetCount(); i++)
        ForLoaderItems(GetPageObject(i), apply);
    for (int32_t i = 1; i <= m_popups->GetCount(); i++)
        ForLoaderItems(GetPopupObject(i), apply);
    WStrFree(wide);
}

int32_t CAbstractDialogSystem::InternPopupGroup(const char* name)
{
    if (!name || !*name)
        return 0;
    int32_t number = FindPopupGroup(name);
    if (number != 0)
        return number;
    return m_popupGroups->Add(StrDup(name));
}

// ---- Records ------------------------------------------------------------------------------------

static bool LoadSpriteRecord(CInStream* stream, CVector* registry, bool dynamicAllowed)
{
    uint32_t id = 0;
    uint8_t kind = 0;
    char* name = nullptr;
    if (!stream->ReadU32(id) || !stream->ReadU8(kind) || !stream->ReadText(name))
        return false;
    CSprite* sprite = nullptr;
    if (kind == CSprite::KindStatic)
        sprite = new CSprite();
    else if (kind == CSprite::KindDynamic && dynamicAllowed)
        sprite = new CDynamicSprite(std::make_unique<CHTTPDynamicImage>());
    // Another kind: the length of its image block is known only to a class that does not exist,
    // so the records after it cannot be found.
    bool ok = sprite && sprite->Load(stream, id, name, g_fileVersion);
    if (ok)
        registry->Add(sprite);
    else
        delete sprite;
    delete[] name;
    return ok;
}

bool CAbstractDialogSystem::LoadImageRecord()
{
    return LoadSpriteRecord(m_loadStream, m_images, true);
}

bool CAbstractDialogSystem::LoadIconRecord()
{
    return LoadSpriteRecord(m_loadStream, m_icons, false);
}

bool CAbstractDialogSystem::LoadFontRecord()
{
    CInStream* stream = m_loadStream;
    uint32_t id = 0;
    uint8_t size = 0;
    char* name = nullptr;
    bool ok;
    if (g_fileVersion > kVersionFontFiles)
    {
        uint32_t length = 0;
        ok = stream->ReadU32(id) && stream->ReadText(name) && stream->ReadU8(size) &&
             ReadBlockLength(stream, length);
        if (ok)
        {
            AddFontFromMemory(name, stream->ReadPos(), static_cast<int32_t>(length), id, size);
            stream->Skip(static_cast<int32_t>(length));
        }
    }
    else
    {
        char* unused = nullptr;
        uint8_t spare = 0;
        ok = stream->ReadU32(id) && ReadZeroText(stream, unused) && ReadZeroText(stream, name) &&
             stream->ReadU8(size) && stream->ReadU8(spare);
        if (ok)
            AddFontFromFile(LocalFontFileName(name).c_str(), id, size);
        delete[] unused;
    }
    delete[] name;
    return ok;
}

bool CAbstractDialogSystem::LoadSoundRecord()
{
    CInStream* stream = m_loadStream;
    uint32_t id = 0;
    uint32_t length = 0;
    char* first = nullptr;
    char* second = nullptr;
    bool ok = stream->ReadU32(id) && stream->ReadText(first) && stream->ReadText(second) &&
              ReadBlockLength(stream, length);
    delete[] first;
    delete[] second;
    if (!ok)
        return false;
    CSoundFile* sound = new CSoundFile();
    if (sound->LoadFromMemory(length, stream->ReadPos()))
    {
        sound->SetId(id);
        m_sounds->Add(sound);
    }
    else
    {
        delete sound;
    }
    stream->Skip(static_cast<int32_t>(length));
    return true;
}

bool CAbstractDialogSystem::LoadPageRecord()
{
    char* name = nullptr;
    if (!m_loadStream->ReadText(name))
        return false;
    CDialogPage* page = new CDialogPage(m_rootItem, name);
    delete[] name;
    // A page cut short keeps what it read: the interface up to that point is shown.
    bool ok = page->Load(m_loadStream);
    page->SetNumber(m_pages->Add(page));
    return ok;
}

bool CAbstractDialogSystem::LoadPopupRecord()
{
    CInStream* stream = m_loadStream;
    char* name = nullptr;
    char* group = nullptr;
    uint32_t autoHideMs = 0;
    bool ok = stream->ReadText(name) && stream->ReadText(group) &&
              (g_fileVersion < kVersionAutoHide || stream->ReadU32(autoHideMs));
    if (ok)
    {
        CDialogPopup* popup = new CDialogPopup(m_rootItem, name, InternPopupGroup(group));
        popup->SetNumber(m_popups->Add(popup));
        popup->SetAutoHideMs(autoHideMs);
        ok = popup->Load(stream);
    }
    delete[] name;
    delete[] group;
    return ok;
}
