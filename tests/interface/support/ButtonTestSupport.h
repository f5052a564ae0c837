#pragma once
// Shared by the button and pointer-dispatch tests: a device that records every command it is
// given, a windowed back end on SDL's dummy video driver that shows the last sound started, and
// interfaces built with the writer.
#include <SDL.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/InStream.h"
#include "common/NerulanValue.h"
#include "common/Vector.h"
#include "devices/AbstractDevice.h"
#include "interface/DialogPage.h"
#include "interface/DialogPopup.h"
#include "screen/GDIDialogSystem.h"
#include "sound/SoundFile.h"
#include "tools/writer/ButtonRecordWriter.h"
#include "tools/writer/InterfaceFileWriter.h"
#include "tools/writer/PageRecordWriter.h"

namespace buttontest
{
// Writes the page and the popup sections, the last two of an interface file.
inline void PutPagesAndPopups(CInterfaceFileWriter& writer,
                              const std::vector<PageRecordWriter::PageRecord>& pages,
                              const std::vector<PageRecordWriter::PopupRecord>& popups)
{
    writer.PutCount(static_cast<uint16_t>(pages.size()));
    for (const auto& page : pages)
        PageRecordWriter::PutPage(writer, page);
    writer.PutCount(static_cast<uint16_t>(popups.size()));
    for (const auto& popup : popups)
        PageRecordWriter::PutPopup(writer, popup);
}

// Loads the records the writer holds from byte `start` on, as the panel loads a file; `stream`
// keeps the bytes for as long as the system may read them. True when a start page came up.
template <class System>
bool LoadWritten(System& system, const CInterfaceFileWriter& writer, size_t start,
                 std::unique_ptr<CInStream>& stream)
{
    std::vector<uint8_t> bytes(writer.Bytes().begin() + static_cast<std::ptrdiff_t>(start),
                               writer.Bytes().end());
    stream = std::make_unique<CInStream>(CInStream::Refuse, static_cast<int32_t>(bytes.size()) + 1);
    stream->Append(bytes.data(), static_cast<int32_t>(bytes.size()));
    system.BeginLoad(stream.get());
    // Bounded: a loader that never says it is done fails the test instead of hanging it.
    for (int calls = 0; calls < 10000; calls++)
    {
        if (!system.LoadNext())
            return system.GetCurrentPage() != nullptr;
    }
    return false;
}

// Every command a device is given, as text ("3 press 5", "3 press 5 1.5", "3 hold 5 20",
// "3 set 5 2", "3 release 5"), in the order of all recording devices together.
class CCommandLog
{
public:
    std::vector<std::string> lines;
    void Clear() { lines.clear(); }
    std::string Joined() const
    {
        std::string text;
        for (const auto& line : lines)
            text += (text.empty() ? "" : ", ") + line;
        return text;
    }
    size_t Count(const std::string& prefix) const
    {
        size_t n = 0;
        for (const auto& line : lines)
            n += line.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
        return n;
    }
};

inline std::string Number(float value)
{
    char text[32];
    snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

class CRecordingDevice : public CAbstractDevice
{
public:
    CRecordingDevice(uint16_t id, CCommandLog& log, const char* tag = nullptr) : m_log(log), m_tag(tag)
    {
        SetId(id);
    }

    bool Press(uint16_t channel, CNerulanValue* value) override { return Record("press", channel, value); }
    bool Release(uint16_t channel, CNerulanValue* value) override
    {
        return Record("release", channel, value);
    }
    bool SetValue(uint16_t channel, CNerulanValue* value) override { return Record("set", channel, value); }
    bool Hold(uint16_t channel, uint32_t elapsedMs) override
    {
        m_log.lines.push_back(Prefix() + "hold " + std::to_string(channel) + " " + std::to_string(elapsedMs));
        return true;
    }
    bool SendBytes(const uint8_t* bytes, uint32_t length) override
    {
        m_log.lines.push_back(Prefix() + "bytes " +
                              std::string(reinterpret_cast<const char*>(bytes), length));
        return true;
    }

private:
    std::string Prefix() const { return (m_tag ? m_tag : std::to_string(GetId())) + " "; }
    bool Record(const char* what, uint16_t channel, CNerulanValue* value)
    {
        std::string line = Prefix() + what + " " + std::to_string(channel);
        // Every value an item sends is a float made for the call.
        if (value)
            line += value->GetType() == ValueFloat ? " " + Number(value->GetFloat()) : " (not a float)";
        m_log.lines.push_back(line);
        return true;
    }

    CCommandLog& m_log;
    const char* m_tag;
};

// A GDI back end that tells which sound was started last.
class CSoundWatchSystem : public CGDIDialogSystem
{
public:
    CSoundWatchSystem() : CGDIDialogSystem(0) {}
    int32_t LastSoundId() const { return m_lastSoundId; }
};

// A back end of 640 x 480 on the dummy video driver with an interface loaded from writer records,
// and a device list published for the items (deleted with the harness).
class CButtonHarness
{
public:
    static constexpr uint32_t kVersion = CInterfaceFileWriter::kCurrentVersion;

    CButtonHarness()
    {
        setenv("ALSOFT_DRIVERS", "null", 1);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0)
        {
            m_sdl = true;
            m_window = SDL_CreateWindow("test", 0, 0, 640, 480, SDL_WINDOW_HIDDEN);
        }
        m_system = new CSoundWatchSystem();
        m_ready = m_window && m_system->Init(m_window, 640, 480, false, kVersion);
        m_devices = new CVector(2);
        g_pDeviceList = m_devices;
    }

    ~CButtonHarness()
    {
        if (g_pDeviceList == m_devices)
            g_pDeviceList = nullptr;
        for (int32_t i = 0; i < m_devices->GetCount(); i++)
            delete m_devices->Get<CAbstractDevice>(i);
        delete m_devices;
        delete m_system;
        if (m_window)
            SDL_DestroyWindow(m_window);
        if (m_sdl)
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    CButtonHarness(const CButtonHarness&) = delete;
    CButtonHarness& operator=(const CButtonHarness&) = delete;

    bool Ready() const { return m_ready; }
    CSoundWatchSystem* System() const { return m_system; }

    // A recording device appended to the device list (owned by the harness).
    CRecordingDevice* AddDevice(uint16_t id, const char* tag = nullptr)
    {
        auto* device = new CRecordingDevice(id, log, tag);
        device->SetDialogSystem(m_system);
        m_devices->Add(device);
        return device;
    }

    // Loads pages and popups (the first page is the start page) and shows the start page.
    bool Load(const std::vector<PageRecordWriter::PageRecord>& pages,
              const std::vector<PageRecordWriter::PopupRecord>& popups = {})
    {
        CInterfaceFileWriter writer;
        CInterfaceFileWriter::Header header;
        header.version = kVersion;
        writer.PutHeader(header);
        size_t start = writer.Size();
        writer.PutResourceStart(0, pages.empty() ? nullptr : pages[0].name, {});
        writer.PutCount(0);
        writer.PutCount(0);
        writer.PutCount(0);
        if (writer.HasSoundsSection())
            writer.PutCount(0);
        PutPagesAndPopups(writer, pages, popups);
        return LoadWritten(*m_system, writer, start, m_stream);
    }

    // A child of the current page (its children in record order), or of a popup by name.
    CDialogItem* Child(int32_t index) const
    {
        auto* page = static_cast<CDialogPopup*>(m_system->GetCurrentPage());
        return page ? page->GetChild(index) : nullptr;
    }
    CDialogItem* PopupChild(const char* popup, int32_t index) const
    {
        CDialogPopup* owner = m_system->GetPopupObject(m_system->FindPopupByName(popup));
        return owner ? owner->GetChild(index) : nullptr;
    }
    const char* CurrentPageName() const
    {
        CDialogItem* page = m_system->GetCurrentPage();
        return page && page->m_name ? page->m_name : "";
    }

    // Pointer events in window coordinates, as the tick thread hands them over.
    void Press(int32_t x, int32_t y) { m_system->DispatchPointer(2, x, y); }
    void Move(int32_t x, int32_t y) { m_system->DispatchPointer(0, x, y); }
    void Release(int32_t x, int32_t y) { m_system->DispatchPointer(1, x, y); }
    void Click(int32_t x, int32_t y)
    {
        Press(x, y);
        Release(x, y);
    }

    // Ticks of the interface, `ms` each, for `total` milliseconds.
    void Run(uint32_t total, uint32_t ms = 5)
    {
        for (uint32_t t = 0; t < total; t += ms)
            m_system->Update(ms);
    }

    CCommandLog log;

protected:
    // Where a harness with records of its own keeps the bytes while the system reads them.
    std::unique_ptr<CInStream>& LoadStream() { return m_stream; }

private:
    bool m_sdl = false;
    SDL_Window* m_window = nullptr;
    CSoundWatchSystem* m_system = nullptr;
    bool m_ready = false;
    CVector* m_devices = nullptr;
    std::unique_ptr<CInStream> m_stream;
};

// A page of the given name (a grey background) with children.
inline PageRecordWriter::PageRecord Page(const char* name,
                                         std::vector<PageRecordWriter::ChildRecord> children = {})
{
    PageRecordWriter::PageRecord page;
    page.name = name;
    page.state.fillColor = 0x202020FF;
    page.children = std::move(children);
    return page;
}

// A child button at (x, y) of 100 x 50 with `states` states.
inline PageRecordWriter::ChildRecord Button(uint8_t type, uint8_t behaviour,
                                            std::vector<uint32_t> addresses = {}, int states = 2,
                                            int16_t x = 100, int16_t y = 100)
{
    std::vector<uint32_t> fills;
    for (int i = 0; i < states; i++)
        fills.push_back(0x10203000u + static_cast<uint32_t>(i) * 0x100u + 0xFF);
    PageRecordWriter::ChildRecord child = ButtonRecordWriter::Button(type, behaviour, x, y, 100, 50, fills);
    child.item.addresses = std::move(addresses);
    return child;
}
} // namespace buttontest

namespace buttontest
{
// A short silent sound (16-bit mono PCM at 8000 Hz) registered under an id, so that starting it
// can be watched.
inline void AddSilentSound(CAbstractDialogSystem* system, uint32_t id)
{
    std::vector<uint8_t> wav;
    auto u32 = [&wav](uint32_t v)
    {
        for (int i = 0; i < 4; i++)
            wav.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto u16 = [&wav](uint16_t v)
    {
        wav.push_back(static_cast<uint8_t>(v));
        wav.push_back(static_cast<uint8_t>(v >> 8));
    };
    const uint32_t dataBytes = 160;
    wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
    u32(36 + dataBytes);
    wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(16000);
    u16(2);
    u16(16);
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    u32(dataBytes);
    wav.resize(wav.size() + dataBytes, 0);
    auto* sound = new CSoundFile();
    sound->LoadFromMemory(static_cast<uint32_t>(wav.size()), wav.data());
    sound->SetId(id);
    system->GetSounds()->Add(sound);
}
} // namespace buttontest
