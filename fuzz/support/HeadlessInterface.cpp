#include "fuzz/support/HeadlessInterface.h"

#include <SDL.h>

#include <cstdlib>

#include "common/InStream.h"
#include "interface/AbstractDialogSystem.h"

bool CHeadlessInterface::StartSdl()
{
    static const bool started = []
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("ALSOFT_DRIVERS", "none", 1);
        setenv("NERULAN_NO_MESSAGE_BOX", "1", 1);
        return SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
    }();
    return started;
}

void CHeadlessInterface::RunPasswordRequest(uint32_t expectedCrc)
{
    (void)expectedCrc;
    SetPasswordAccepted(true);
}

CHeadlessInterface::Outcome CHeadlessInterface::Run(const char* path, int32_t maxRecords, int32_t ticks,
                                                    int32_t tapGrid)
{
    Outcome outcome = Outcome::Refused;
    if (CreateMainWindow() && LoadInterfaceHeader(path) && LoadDevices())
    {
        GetBackEnd()->BeginLoad(GetStream());
        // One record a tick, as the program reads them; the Loading page is not drawn between.
        for (int32_t i = 0; i < maxRecords && !IsLoaded(); ++i)
            Tick();
        outcome = IsLoaded() ? Outcome::Loaded : Outcome::Stopped;
        EnableFlush();
        for (int32_t i = 0; IsLoaded() && i < ticks; ++i)
            Tick();
        if (IsLoaded() && tapGrid > 0)
            TapAcross(tapGrid);
    }
    const char16_t* error = GetErrorText();
    m_lastError = error ? error : u"";
    Shutdown();
    // The tick asks the main loop to close through an SDL event when the interface ends; nobody
    // runs that loop here.
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    return outcome;
}

void CHeadlessInterface::TapAcross(int32_t grid)
{
    int32_t width = 0;
    int32_t height = 0;
    SDL_GetWindowSize(GetWindow(), &width, &height);
    for (int32_t row = 0; row < grid; ++row)
    {
        for (int32_t column = 0; column < grid && !IsQuitRequested(); ++column)
        {
            const int32_t x = (2 * column + 1) * width / (2 * grid);
            const int32_t y = (2 * row + 1) * height / (2 * grid);
            OnLButtonDown(x, y);
            Tick();
            OnLButtonUp(x, y);
            Tick();
        }
    }
}
