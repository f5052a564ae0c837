#include "app/ClientDlg.h"

#include <SDL.h>

#include <cstring>

#include "app/ClientApp.h"
#include "common/InStream.h"
#include "common/StringFunctions.h"
#include "devices/AbstractDevice.h"
#include "platform/Clock.h"
#include "screen/ErrorBox.h"
#include "interface/AbstractDialogSystem.h"

CClientDlg::CClientDlg(const char16_t* pathArgument, const char16_t* captionArgument)
    : m_previousTickTime(platform::ClockMs()), m_windowLock(new CNerulanCriticalSection()),
      m_mouseQueue(new CMouseQueue(kMouseQueueCapacity)),
      m_tickThread(new CWorkerThread(&TickThreadProc, this)), m_pathArgument(WStrDup(pathArgument)),
      m_captionArgument(WStrDup(captionArgument))
{
    std::memset(m_errorText, 0, sizeof(m_errorText));
}

CClientDlg::~CClientDlg()
{
    Shutdown();
    WStrFree(m_pathArgument);
    WStrFree(m_captionArgument);
}

void CClientDlg::SetErrorText(const char16_t* text)
{
    WStrCpyN(m_errorText, kErrorTextCapacity, text);
}

uint32_t CClientDlg::CloseEventType()
{
    static const uint32_t type = SDL_RegisterEvents(1);
    return type;
}

int CClientDlg::DoModal()
{
    if (!CreateMainWindow())
    {
        SetErrorText(kDisplayError);
        ShowStartupError();
        Shutdown();
        return 1;
    }
    if (!OnInitDialog())
    {
        Shutdown();
        return 1;
    }
    SDL_ShowWindow(m_window);
    RunEventLoop();
    Shutdown();
    return 0;
}

bool CClientDlg::CreateMainWindow()
{
    if (m_window)
        return true;
    m_window = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kInitialWidth,
                                kInitialHeight, SDL_WINDOW_HIDDEN);
    return m_window != nullptr;
}

bool CClientDlg::OnInitDialog()
{
    // The title: the caption (when given and not empty) or the product name, then the version.
    char* caption = WStrIsEmpty(m_captionArgument) ? nullptr : WideToUtf8(m_captionArgument);
    m_title = std::string(caption ? caption : kProductName) + " " + kVersion;
    StrFree(caption);
    if (m_window)
        SDL_SetWindowTitle(m_window, m_title.c_str());

    // File names on this platform are the file system's bytes, normally UTF-8: the path goes
    // back to the very bytes of the argument, so that any name the shell can type can be opened.
    StrFree(m_path);
    m_path = WStrIsEmpty(m_pathArgument) ? StrDup(kDefaultPath) : CClientApp::WideToFileName(m_pathArgument);

    if (!LoadInterfaceHeader(m_path) || !LoadDevices())
    {
        ShowStartupError();
        return false;
    }
    m_backEnd->BeginLoad(m_stream);
    StartTickThread();
    SetWindowIcon();
    m_flushEnabled = 1;
    return true;
}

void CClientDlg::ShowStartupError()
{
    char* text = WideToUtf8(m_errorText);
    platform::ShowErrorBox(kErrorCaption, text, m_window);
    StrFree(text);
}

void CClientDlg::SetWindowIcon()
{
    // The program's icon is drawn rather than loaded, so that no file beside the program is needed:
    // a dark tile with a light frame around a lit panel.
    if (!m_window)
        return;
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, kIconSize, kIconSize, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!icon)
        return;
    const SDL_Rect frame{2, 2, kIconSize - 4, kIconSize - 4};
    const SDL_Rect tile{4, 4, kIconSize - 8, kIconSize - 8};
    const SDL_Rect panel{9, 9, kIconSize - 18, kIconSize - 18};
    SDL_FillRect(icon, nullptr, SDL_MapRGBA(icon->format, 0, 0, 0, 0));
    SDL_FillRect(icon, &frame, SDL_MapRGBA(icon->format, 0xE0, 0xE6, 0xEE, 0xFF));
    SDL_FillRect(icon, &tile, SDL_MapRGBA(icon->format, 0x1E, 0x2A, 0x3A, 0xFF));
    SDL_FillRect(icon, &panel, SDL_MapRGBA(icon->format, 0x4F, 0xB3, 0xF0, 0xFF));
    SDL_SetWindowIcon(m_window, icon);
    SDL_FreeSurface(icon);
}

void CClientDlg::RunEventLoop()
{
    bool running = true;
    while (running && !m_quitRequested.load())
    {
        SDL_Event event;
        // A close request from the tick thread comes with an event of its own, so the wait needs no
        // short time-out to notice it; the second is a fallback for an event the full queue lost.
        if (!SDL_WaitEventTimeout(&event, kEventWaitMs))
            continue;
        running = HandleEvent(event);
        while (running && SDL_PollEvent(&event))
            running = HandleEvent(event);
    }
}

void CClientDlg::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    // The tick thread owns the running interface: it stops before anything it uses goes.
    if (m_tickThread)
    {
        m_tickThread->Command(WorkerCommandStop);
        m_tickThread->WaitStopped();
        delete m_tickThread;
        m_tickThread = nullptr;
    }
    // Every device is disconnected before any is deleted, and all are gone before the back end.
    DisconnectDevices();
    DeleteDevices();
    if (g_pDeviceList == m_deviceList)
        g_pDeviceList = nullptr;
    delete m_deviceList;
    m_deviceList = nullptr;
    DeleteBackEnd();
    FreeStream();
    delete m_windowLock;
    m_windowLock = nullptr;
    StrFree(m_path);
    m_path = nullptr;
    delete m_mouseQueue;
    m_mouseQueue = nullptr;
    if (m_window)
    {
        SDL_DestroyWindow(m_window);
        m_window = nullptr;
    }
}

void CClientDlg::DeleteBackEnd()
{
    delete m_backEnd;
    m_backEnd = nullptr;
}

void CClientDlg::FreeStream()
{
    delete m_stream;
    m_stream = nullptr;
}
