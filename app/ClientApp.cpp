#include "app/ClientApp.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

#include "app/ClientDlg.h"
#include "common/StringFunctions.h"

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
} // namespace

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
                m_captionArgument = Utf8ToWide(argv[i + 1]);
            ++i; // the caption is not a switch
        }
        else if (found < 0 && i == 1 && argument[0] != '\0')
        {
            m_pathArgument = Utf8ToWide(argument);
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
