#pragma once
// Shared by the page, navigation and loader tests: a windowed back end on SDL's dummy video driver
// with a real surface, and interface files built with the writer.
#include <SDL.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ItemTestSupport.h"
#include "common/InStream.h"
#include "interface/DialogPage.h"
#include "interface/DialogPopup.h"
#include "render/PixelBuffer.h"
#include "screen/GDIDialogSystem.h"
#include "tools/writer/InterfaceFileWriter.h"
#include "tools/writer/PageRecordWriter.h"

namespace loadertest
{
// One back end of design size width x height for the file version, made current.
class CBackEndHarness
{
public:
    CBackEndHarness(int32_t width = 640, int32_t height = 480,
                    uint32_t version = CInterfaceFileWriter::kCurrentVersion)
    {
        setenv("ALSOFT_DRIVERS", "null", 1);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0)
        {
            m_sdl = true;
            m_window = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_HIDDEN);
        }
        m_system = new CGDIDialogSystem(0);
        m_ready = m_window && m_system->Init(m_window, width, height, false, version);
    }

    ~CBackEndHarness()
    {
        delete m_system;
        if (m_window)
            SDL_DestroyWindow(m_window);
        if (m_sdl)
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    CBackEndHarness(const CBackEndHarness&) = delete;
    CBackEndHarness& operator=(const CBackEndHarness&) = delete;

    bool Ready() const { return m_ready; }
    CGDIDialogSystem* System() const { return m_system; }

    // Starts loading the resource part of a file (from the record total on).
    void Begin(const std::vector<uint8_t>& resources)
    {
        m_stream = std::make_unique<CInStream>(CInStream::Refuse, static_cast<int32_t>(resources.size()) + 1);
        m_stream->Append(resources.data(), static_cast<int32_t>(resources.size()));
        m_system->BeginLoad(m_stream.get());
    }

    // Calls LoadNext until it returns false (at most limit calls); the number of calls made.
    int LoadAll(int limit = 100000)
    {
        int calls = 0;
        while (calls < limit)
        {
            calls++;
            if (!m_system->LoadNext())
                break;
        }
        return calls;
    }

    // Draws what is dirty into the surface.
    void Flush() { m_system->Flush(); }

    // The surface pixel as 0xRRGGBB.
    uint32_t Pixel(int32_t x, int32_t y) const
    {
        const CPixelBuffer* surface = m_system->GetSurface();
        const uint8_t* p =
            surface->pixels + static_cast<size_t>(y) * surface->stride + static_cast<size_t>(x) * 4;
        return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
    }

    const char* CurrentPageName() const
    {
        CDialogItem* page = m_system->GetCurrentPage();
        return page && page->m_name ? page->m_name : "";
    }

    CInStream* Stream() const { return m_stream.get(); }

private:
    bool m_sdl = false;
    SDL_Window* m_window = nullptr;
    CGDIDialogSystem* m_system = nullptr;
    bool m_ready = false;
    std::unique_ptr<CInStream> m_stream;
};

// The resource part of an interface file (record total onwards) for a version, and streams over it.
using itemtest::RecordBytes;
using itemtest::StreamOver;

// A plain child (a button with the common item record) at a rectangle with one filled state.
inline PageRecordWriter::ChildRecord FilledChild(const char* name, int16_t x, int16_t y, uint16_t w,
                                                 uint16_t h, uint32_t rgba)
{
    PageRecordWriter::ChildRecord child;
    child.name = name;
    child.type = CDialogPopup::ChildButton;
    child.item.x = x;
    child.item.y = y;
    child.item.width = w;
    child.item.height = h;
    ItemRecordWriter::StateRecord state;
    state.fillColor = rgba;
    child.item.states.push_back(state);
    return child;
}

inline PageRecordWriter::PageRecord Page(const char* name, uint32_t rgba,
                                         std::vector<PageRecordWriter::ChildRecord> children = {})
{
    PageRecordWriter::PageRecord page;
    page.name = name;
    page.state.fillColor = rgba;
    page.children = std::move(children);
    return page;
}

inline PageRecordWriter::PopupRecord Popup(const char* name, const char* group, int16_t x, int16_t y,
                                           uint16_t w, uint16_t h, uint32_t rgba,
                                           std::vector<PageRecordWriter::ChildRecord> children = {})
{
    PageRecordWriter::PopupRecord popup;
    popup.name = name;
    popup.group = group;
    popup.x = x;
    popup.y = y;
    popup.width = w;
    popup.height = h;
    popup.state.fillColor = rgba;
    popup.children = std::move(children);
    return popup;
}

// A whole resource part: record total, start page, start-up popups, no images, icons, fonts or
// sounds, then the pages and popups.
inline std::vector<uint8_t> Interface(uint32_t version, uint32_t recordTotal, const char* startPage,
                                      const std::vector<const char*>& startupPopups,
                                      const std::vector<PageRecordWriter::PageRecord>& pages,
                                      const std::vector<PageRecordWriter::PopupRecord>& popups)
{
    return RecordBytes(version,
                       [&](CInterfaceFileWriter& w)
                       {
                           w.PutResourceStart(recordTotal, startPage, startupPopups);
                           w.PutCount(0);
                           w.PutCount(0);
                           w.PutCount(0);
                           if (w.HasSoundsSection())
                               w.PutCount(0);
                           w.PutCount(static_cast<uint16_t>(pages.size()));
                           for (const auto& page : pages)
                               PageRecordWriter::PutPage(w, page);
                           w.PutCount(static_cast<uint16_t>(popups.size()));
                           for (const auto& popup : popups)
                               PageRecordWriter::PutPopup(w, popup);
                       });
}

// Names of the popups shown on a page, bottom first.
inline std::vector<std::string> ShownPopups(CAbstractDialogSystem* system, const char* pageName)
{
    std::vector<std::string> names;
    CDialogPage* page = system->GetPageObject(system->FindPageByName(pageName));
    if (!page)
        return names;
    for (int32_t i = 0; i < page->GetShownCount(); i++)
    {
        CDialogItem* popup = system->GetPopup(page->GetShownAt(i));
        names.push_back(popup && popup->m_name ? popup->m_name : "?");
    }
    return names;
}
} // namespace loadertest
