#include "app/ClientApp.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/ClientDlg.h"
#include "common/StringFunctions.h"
#include "platform/CodePage.h"

namespace
{
// Switches the panel accepts; only "/caption" does anything.
const char* const kSwitches[] = {"/s", "/w", "/h", "/fullscreenon", "/soundon", "/caption"};
constexpr int kCaptionSwitch = 5;

// Index of the switch the argument is (ASCII letters folded, matched whole), -1 for none.
int FindSwitch(const char* argument)
{
    size_t length = std::strlen(argument);
    for (int i = 0; i < static_cast<int>(sizeof(kSwitches) / sizeof(kSwitches[0])); ++i)
    {
        const char* name = kSwitches[i];
        if (std::strlen(name) != length)
            continue;
        bool same = true;
        for (size_t k = 0; same && k < length; ++k)
        {
            char c = argument[k];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            same = c == name[k];
        }
        if (same)
            return i;
    }
    return -1;
}
// Length of the UTF-8 sequence at p, 0 when none starts there (a bad lead or continuation, an
// over-long form, a surrogate, beyond U+10FFFF); its value in `value`.
int Utf8Sequence(const unsigned char* p, uint32_t& value)
{
    static const uint32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    const unsigned char lead = p[0];
    int n = lead < 0x80                    ? 1
            : lead >= 0xC2 && lead <= 0xDF ? 2
            : lead >= 0xE0 && lead <= 0xEF ? 3
            : lead >= 0xF0 && lead <= 0xF4 ? 4
                                           : 0;
    if (n == 0)
        return 0;
    value = n == 1 ? lead : lead & (0x7F >> n);
    for (int i = 1; i < n; ++i)
    {
        if ((p[i] & 0xC0) != 0x80) // also stops at the terminating zero
            return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    if (value < kMinimum[n] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return n;
}

constexpr char16_t kEscapedByte = 0xDC00;

// An argument shown as text (the caption): UTF-8 where the bytes are UTF-8, and each other byte
// read as Windows-1252, the code page a command line without UTF-8 most likely came in (a Latin-1
// "K\xfcche" shows as "Küche" rather than being cut at the first such byte).
char16_t* TextArgumentToWide(const char* text)
{
    std::u16string wide;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p)
    {
        uint32_t value = 0;
        int n = Utf8Sequence(p, value);
        if (n == 0)
        {
            wide.push_back(platform::AnsiByteToWide(*p));
            ++p;
            continue;
        }
        if (value >= 0x10000)
        {
            wide.push_back(static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF)));
        }
        else
        {
            wide.push_back(static_cast<char16_t>(value));
        }
        p += n;
    }
    return WStrDup(wide.c_str());
}
} // namespace

char16_t* CClientApp::FileNameToWide(const char* name)
{
    if (!name)
        return nullptr;
    std::u16string wide;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(name);
    while (*p)
    {
        uint32_t value = 0;
        int n = Utf8Sequence(p, value);
        if (n == 0)
        {
            wide.push_back(static_cast<char16_t>(kEscapedByte | *p));
            ++p;
            continue;
        }
        if (value >= 0x10000)
        {
            wide.push_back(static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF)));
        }
        else
        {
            wide.push_back(static_cast<char16_t>(value));
        }
        p += n;
    }
    return WStrDup(wide.c_str());
}

char* CClientApp::WideToFileName(const char16_t* name)
{
    if (!name)
        return nullptr;
    std::string bytes;
    for (const char16_t* p = name; *p; ++p)
    {
        uint32_t value = *p;
        if (value >= 0xD800 && value <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF)
        {
            value = 0x10000 + ((value - 0xD800) << 10) + (p[1] - 0xDC00);
            ++p;
        }
        else if (value >= 0xDC80 && value <= 0xDCFF)
        {
            bytes.push_back(static_cast<char>(value & 0xFF)); // an escaped byte, as it was
            continue;
        }
        else if (value >= 0xD800 && value <= 0xDFFF)
        {
            value = 0xFFFD;
        }
        if (value < 0x80)
        {
            bytes.push_back(static_cast<char>(value));
        }
        else if (value < 0x800)
        {
            bytes.push_back(static_cast<char>(0xC0 | (value >> 6)));
            bytes.push_back(static_cast<char>(0x80 | (value & 0x3F)));
        }
        else if (value < 0x10000)
        {
            bytes.push_back(static_cast<char>(0xE0 | (value >> 12)));
            bytes.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (value & 0x3F)));
        }
        else
        {
            bytes.push_back(static_cast<char>(0xF0 | (value >> 18)));
            bytes.push_back(static_cast<char>(0x80 | ((value >> 12) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (value & 0x3F)));
        }
    }
    return StrDup(bytes.c_str());
}

CClientApp::~CClientApp()
{
    WStrFree(m_pathArgument);
    WStrFree(m_captionArgument);
}

void CClientApp::ReadSwitches(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i)
    {
        const char* argument = argv[i] ? argv[i] : "";
        int found = FindSwitch(argument);
        if (found == kCaptionSwitch)
        {
            WStrFree(m_captionArgument);
            m_captionArgument = nullptr;
            if (i + 1 < argc && argv[i + 1] && argv[i + 1][0] != '\0')
                m_captionArgument = TextArgumentToWide(argv[i + 1]);
            ++i; // the caption is not a switch
        }
        else if (found < 0 && i == 1 && argument[0] != '\0')
        {
            m_pathArgument = FileNameToWide(argument); // any file name, UTF-8 or not
        }
    }
}

int CClientApp::InitInstance(int argc, char** argv)
{
    // A drag that leaves the window must end there (the pointer-leave releases what it held), so
    // SDL must not capture the mouse; a click that activates the window is still a click; a
    // full-screen panel stays up when another window takes the focus; and window surfaces are
    // plain memory (SDL would otherwise probe OpenGL for them).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
    {
        std::fprintf(stderr, "%s %s\n", CClientDlg::kErrorCaption, SDL_GetError());
        return 1;
    }
    ReadSwitches(argc, argv);
    int exitCode = 0;
    {
        CClientDlg dialog(m_pathArgument, m_captionArgument);
        exitCode = dialog.DoModal();
    }
    SDL_Quit();
    return exitCode;
}
