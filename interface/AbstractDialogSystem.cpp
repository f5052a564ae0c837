#include "interface/AbstractDialogSystem.h"

#include <FreeImage.h>
#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "devices/AbstractDevice.h"
#include "interface/DialogItem.h"
#include "render/BlendTables.h"
#include "render/DirtyMap.h"
#include "render/DynamicSprite.h"
#include "render/Fnt.h"
#include "render/PixelBuffer.h"
#include "render/Sprite.h"
#include "sound/OpenALOutput.h"
#include "sound/SoundFile.h"

CAbstractDialogSystem* g_pDialogSystem = nullptr;
uint32_t g_fileVersion = 0;
int32_t g_screenDpiX = 96;
int32_t g_screenDpiY = 96;

namespace
{
constexpr int32_t kRegistryGrowStep = 16;
} // namespace

CAbstractDialogSystem::CAbstractDialogSystem(uint8_t displayFlags) : m_displayFlags(displayFlags)
{
    g_pDialogSystem = this;
    // The devices of a run are created after its back end.
    g_pDeviceList = nullptr;
    m_images = new CVector(kRegistryGrowStep);
    m_icons = new CVector(kRegistryGrowStep);
    m_fonts = new CVector(kRegistryGrowStep);
    m_templates = new CVector(kRegistryGrowStep);
    m_sliderThumbs = new CVector(kRegistryGrowStep);
    m_sounds = new CVector(kRegistryGrowStep);
    m_popupGroups = new CVector(kRegistryGrowStep);
    m_popups = new CVector(kRegistryGrowStep);
    m_pages = new CVector(kRegistryGrowStep);
    m_renderHandles = new CVector(kRegistryGrowStep);
    m_startupPopups = new CVector(kRegistryGrowStep);
    // The root item takes the first render handle of this back end.
    m_rootItem = new CDialogItem(0, nullptr);
    BuildBlendTables();
    FreeImage_Initialise(FALSE);
    LoadResourcePack();
    // Without OpenAL the output stays silent and the interface runs on.
    auto startSound = [this]
    {
        auto* output = new COpenALOutput();
        output->Open(0, 0, 44100, 16);
        m_soundOutput = output;
    };
    try
    {
        m_soundStarter = std::thread(startSound);
    }
    catch (const std::system_error&)
    {
        startSound();
    }
}

void CAbstractDialogSystem::JoinSoundStarter()
{
    CCriticalSectionGuard guard(&m_lock);
    if (m_soundStarter.joinable())
        m_soundStarter.join();
}

CAbstractSoundOutput* CAbstractDialogSystem::GetSoundOutput()
{
    JoinSoundStarter();
    return m_soundOutput;
}

CAbstractDialogSystem::~CAbstractDialogSystem()
{
    DestroyRegistries();
    if (g_pDialogSystem == this)
        g_pDialogSystem = nullptr;
}

template <class T> static void DeleteEntries(CVector*& vector)
{
    if (!vector)
        return;
    for (int32_t i = 0; i < vector->GetCount(); ++i)
        delete vector->Get<T>(i);
    delete vector;
    vector = nullptr;
}

// Texts are copies made with StrDup (new[]).
static void FreeTexts(CVector*& vector)
{
    if (!vector)
        return;
    for (int32_t i = 0; i < vector->GetCount(); ++i)
        delete[] vector->Get<char>(i);
    delete vector;
    vector = nullptr;
}

void CAbstractDialogSystem::DestroyRegistries()
{
    FreeSurface();
    // The order matters: the sound output stops playing before the sounds it reads are deleted,
    // and items go before the root item that is their parent.
    DeleteEntries<CFnt>(m_fonts);
    DeleteEntries<CSprite>(m_images);
    DeleteEntries<CSprite>(m_icons);
    FreeTexts(m_popupGroups);
    DeleteEntries<CDialogItem>(m_popups);
    DeleteEntries<CDialogItem>(m_pages);
    FreeTexts(m_startupPopups);
    DestroyTemplates();
    JoinSoundStarter();
    delete m_soundOutput;
    m_soundOutput = nullptr;
    DeleteEntries<CSoundFile>(m_sounds);
    if (m_renderHandles)
    {
        for (int32_t i = 0; i < m_renderHandles->GetCount(); ++i)
            CPixelBuffer::Free(m_renderHandles->Get<CPixelBuffer>(i));
        delete m_renderHandles;
        m_renderHandles = nullptr;
    }
    if (m_sliderThumbs)
    {
        for (int32_t i = 0; i < m_sliderThumbs->GetCount(); ++i)
        {
            SliderThumb* thumb = m_sliderThumbs->Get<SliderThumb>(i);
            if (thumb)
                delete[] thumb->data;
            delete thumb;
        }
        delete m_sliderThumbs;
        m_sliderThumbs = nullptr;
    }
    delete[] m_startPageName;
    m_startPageName = nullptr;
    m_pageHistory.clear();
    delete[] m_sections;
    m_sections = nullptr;
    delete m_rootItem;
    m_rootItem = nullptr;
    m_pendingRects.clear();
    ReleaseBlendTables();
    FreeImage_DeInitialise();
}

// ---- Init -------------------------------------------------------------------------------------

int32_t CAbstractDialogSystem::CentredOffset(int32_t outputSize, int32_t designSize)
{
    return static_cast<int32_t>((static_cast<int64_t>(outputSize) - designSize) / 2);
}

bool CAbstractDialogSystem::InitCommonBegin(SDL_Window* window, int32_t designWidth, int32_t designHeight,
                                            uint32_t version)
{
    m_initError = "";
    if (!window)
    {
        SetInitError("The interface window could not be created!");
        return false;
    }
    if (designWidth <= 0 || designHeight <= 0)
    {
        SetInitError("The interface has no design size!");
        return false;
    }
    if (designWidth > kMaxDesignSide || designHeight > kMaxDesignSide)
    {
        SetInitError("The interface's design size is too large!");
        return false;
    }
    m_window = window;
    // The window surface is updated a few small rectangles at a time; the platform's own
    // framebuffer copies just those, where the default GL-backed one may load a GL driver and
    // upload the whole window. The environment can still choose otherwise.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    g_fileVersion = version;
    g_screenDpiX = 96;
    g_screenDpiY = 96;
    PresentEventType();
    if (!CreateSurface(designWidth, designHeight))
    {
        SetInitError("Not enough memory for the interface's surface!");
        return false;
    }
    return true;
}

void CAbstractDialogSystem::InitCommonEnd()
{
    m_offsetX = CentredOffset(m_outputWidth, m_surface->width);
    m_offsetY = CentredOffset(m_outputHeight, m_surface->height);
    if (m_rootItem)
    {
        ItemRect rect;
        rect.width = m_surface->width;
        rect.height = m_surface->height;
        m_rootItem->SetRect(rect);
        m_rootItem->ResetLayout();
    }
    AddFontFromFile("arial.ttf", kDefaultFontId, kDefaultFontSize);
    // The first present paints the whole window, the black around a full-screen design area too.
    m_pendingAll = true;
}

bool CAbstractDialogSystem::CreateSurface(int32_t width, int32_t height)
{
    FreeSurface();
    size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    m_surfacePixels = static_cast<uint8_t*>(calloc(bytes, 1));
    if (!m_surfacePixels)
        return false;
    m_surface = new CPixelBuffer();
    m_surface->width = width;
    m_surface->height = height;
    m_surface->stride = width * 4;
    m_surface->bitsPerPixel = 32;
    m_surface->pixels = m_surfacePixels;
    m_dirtyMap = new CDirtyMap(width, height);
    return true;
}

void CAbstractDialogSystem::FreeSurface()
{
    m_lock.Enter();
    delete m_dirtyMap;
    m_dirtyMap = nullptr;
    delete m_surface;
    m_surface = nullptr;
    free(m_surfacePixels);
    m_surfacePixels = nullptr;
    m_pendingRects.clear();
    m_pendingAll = false;
    m_lock.Leave();
}

// ---- Shared slots -----------------------------------------------------------------------------

void CAbstractDialogSystem::Flush()
{
    FlushDirtyCells();
}

void CAbstractDialogSystem::InvalidateAll()
{
    if (m_surface)
        Invalidate(0, 0, m_surface->width, m_surface->height);
}

void CAbstractDialogSystem::Invalidate(int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (m_dirtyMap)
        m_dirtyMap->Invalidate(x, y, width, height);
}

void CAbstractDialogSystem::Update(uint32_t elapsedMs)
{
    CCriticalSectionGuard guard(&m_lock);
    for (int32_t i = 0; i < m_pages->GetCount(); ++i)
        m_pages->Get<CDialogItem>(i)->OnTimer(elapsedMs);
    for (int32_t i = 0; i < m_popups->GetCount(); ++i)
        m_popups->Get<CDialogItem>(i)->OnTimer(elapsedMs);
    CDynamicSprite::ClearInUse(m_images);
    CDialogItem* page = GetCurrentPage();
    if (page)
        page->Update(elapsedMs);
    UpdateDynamicImages();
}

void CAbstractDialogSystem::DrawItemBitmap(CDialogItem* item, int32_t renderHandle, int32_t x, int32_t y,
                                           const DialogRect* clip)
{
    if (!item || !m_surface)
        return;
    int32_t opacity = std::clamp(item->GetOpacity(), 0, 255);
    int32_t alpha = opacity * item->m_renderedOpacity / 255;
    CPixelBuffer* block = g_pDialogSystem ? g_pDialogSystem->GetRenderHandle(renderHandle) : nullptr;
    if (!block)
        return;
    PixelRect pixelClip;
    if (clip)
        pixelClip = {clip->left, clip->top, clip->right, clip->bottom};
    BlitPixelBuffer(x, y, m_surface, clip ? &pixelClip : nullptr, block, static_cast<uint8_t>(alpha));
}

int32_t CAbstractDialogSystem::NewRenderHandle()
{
    return m_renderHandles->Add(nullptr);
}

void CAbstractDialogSystem::FreeRenderHandle(int32_t handle)
{
    if (handle <= 0 || handle > m_renderHandles->GetCount())
        return;
    CPixelBuffer::Free(m_renderHandles->Get<CPixelBuffer>(handle - 1));
    m_renderHandles->SetAt(handle - 1, nullptr);
}

CPixelBuffer* CAbstractDialogSystem::GetRenderHandle(int32_t handle)
{
    if (handle <= 0 || handle > m_renderHandles->GetCount())
        return nullptr;
    return m_renderHandles->Get<CPixelBuffer>(handle - 1);
}

void CAbstractDialogSystem::SetRenderHandle(int32_t handle, CPixelBuffer* block)
{
    if (!block || handle <= 0 || handle > m_renderHandles->GetCount())
        return;
    CPixelBuffer* old = m_renderHandles->Get<CPixelBuffer>(handle - 1);
    if (old == block)
        return;
    CPixelBuffer::Free(old);
    m_renderHandles->SetAt(handle - 1, block);
}

// ---- Running flag -----------------------------------------------------------------------------

bool CAbstractDialogSystem::IsRunning() const
{
    return m_running.load(std::memory_order_acquire) != 0;
}

void CAbstractDialogSystem::RequestQuit()
{
    m_running.store(0, std::memory_order_release);
}

// ---- Dynamic images ---------------------------------------------------------------------------

void CAbstractDialogSystem::UpdateDynamicImages()
{
    CDynamicSprite::UpdateFetchers(m_images);
}
