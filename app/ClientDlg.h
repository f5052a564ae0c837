#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/MouseQueue.h"
#include "common/NerulanCriticalSection.h"
#include "common/Vector.h"
#include "common/WorkerThread.h"

struct SDL_Window;
union SDL_Event;
class CAbstractDialogSystem;
class CAbstractDevice;
class CInStream;

// One record of the interface file's device table, as read, before any driver exists. Its
// texts are copies (NUL-terminated, null when absent) owned by the reader.
struct DeviceRecord
{
    uint32_t id;
    uint32_t type;
    char* host;
    uint16_t port;
    char* parameters;
};

// The main window and the spine of the program: the start-up sequence, the tick thread that
// runs the whole interface, the pointer input of the main thread, and the stop order.
//
// Threads: the main thread creates the window, runs the start-up, pumps SDL events into the
// mouse queue and presents finished pixels; the tick thread (started at the end of the start-up)
// owns the running interface. They meet in the mouse queue, the back end's lock, and the quit
// flag with its SDL event.
class CClientDlg
{
public:
    static constexpr const char* kProductName = "Nerulan";
    static constexpr const char* kVersion = "1.5.6";
    static constexpr const char* kDefaultPath = "Main.qvr";
    static constexpr uint32_t kMagic = 0x37375651; // "QV77" read as a little-endian word
    static constexpr size_t kErrorTextCapacity = 512;
    static constexpr int32_t kMouseQueueCapacity = 128;
    static constexpr int32_t kDeviceListGrowStep = 2;

    // The window's size before the back end gives it the design size (a 321 x 201 dialog-unit
    // box of an 8-point dialog font).
    static constexpr int32_t kInitialWidth = 482;
    static constexpr int32_t kInitialHeight = 327;
    // The window's icon (task bar, title bar, minimised window): a square of this many pixels.
    static constexpr int32_t kIconSize = 32;
    static constexpr int32_t kEventWaitMs = 1000;

    // The system's own texts of start-up failures and of the device table.
    static constexpr const char16_t* kFileNotFound = u"Interface file has not been found!";
    static constexpr const char16_t* kPasswordError = u"Password protection error!";
    static constexpr const char16_t* kWrongController = u"Wrong controller!";
    static constexpr const char16_t* kDesignSizeError = u"Interface design size is zero!";
    static constexpr const char16_t* kDisplayError = u"The display could not be set up!";
    static constexpr const char* kErrorCaption = "Error!";

    // The arguments are the command line's path and caption (null when absent); copied.
    CClientDlg(const char16_t* pathArgument, const char16_t* captionArgument);
    virtual ~CClientDlg();
    CClientDlg(const CClientDlg&) = delete;
    CClientDlg& operator=(const CClientDlg&) = delete;

    // ---- Main thread ---------------------------------------------------------------------------
    // The whole run: the window, the start-up, the event loop until the window closes, the stop
    // order. Returns the process exit code: 0 after a normal close, 1 after a start-up failure.
    int DoModal();
    // Creates the (hidden) main window; false when SDL cannot make one.
    bool CreateMainWindow();
    // The start-up sequence. On failure the error has been shown and nothing runs.
    bool OnInitDialog();
    // Handles one SDL event; false when it ends the run (close box, Enter, Escape, quit).
    bool HandleEvent(const SDL_Event& event);
    // Stops everything in order (tick thread, devices, back end, the rest). Runs once; the
    // destructor calls it when the owner did not.
    void Shutdown();

    // Pointer events of the main window (client coordinates), pushed into the mouse queue.
    void OnLButtonDown(int32_t x, int32_t y);
    void OnLButtonUp(int32_t x, int32_t y);
    void OnMouseMove(int32_t x, int32_t y);
    void OnMouseLeave();

    // ---- Start-up steps (main thread, before the tick thread exists) ------------------------
    // Reads the header, asks for the password, sets up the screen and creates the back end.
    bool LoadInterfaceHeader(const char* path);
    bool CheckPassword();
    // Reads the device table; false when the file ends inside it.
    bool LoadDevices();
    bool StartTickThread();

    // ---- Tick thread -----------------------------------------------------------------------------
    static void TickThreadProc(CWorkerThread* worker);
    void Tick();
    void LoadStep();
    void ProcessMouseQueue();
    void TickDevices();

    // ---- State -----------------------------------------------------------------------------------
    const char16_t* GetErrorText() const { return m_errorText; }
    void SetErrorText(const char16_t* text);
    void SetPasswordAccepted(bool accepted) { m_passwordAccepted = accepted ? 1 : 0; }
    bool IsPasswordAccepted() const { return m_passwordAccepted != 0; }
    const std::string& GetTitle() const { return m_title; }
    const char* GetPath() const { return m_path; }
    SDL_Window* GetWindow() const { return m_window; }
    CAbstractDialogSystem* GetBackEnd() const { return m_backEnd; }
    CVector* GetDeviceList() const { return m_deviceList; }
    CMouseQueue* GetMouseQueue() const { return m_mouseQueue; }
    CInStream* GetStream() const { return m_stream; }
    CWorkerThread* GetTickThread() const { return m_tickThread; }
    bool IsDirectDraw() const { return m_directDraw != 0; }
    bool IsLoaded() const { return m_loaded.load() != 0; }
    bool IsQuitRequested() const { return m_quitRequested.load(); }
    void EnableFlush() { m_flushEnabled = 1; }

    // The SDL event type by which the tick thread asks the main thread to close the window.
    static uint32_t CloseEventType();

protected:
    // The back end's and the devices' side of the start-up, the tick and the stop order. Each
    // default calls the real object; tests replace them to watch the order of the calls.
    virtual void RunPasswordRequest(uint32_t expectedCrc);
    virtual bool LoadNextRecord();
    virtual void DispatchPointer(uint8_t kind, int32_t x, int32_t y);
    virtual void UpdateInterface(uint32_t elapsedMs);
    virtual bool IsInterfaceRunning();
    virtual void FlushInterface();
    virtual void ConnectDevices();
    virtual void UpdateDevices();
    virtual void DisconnectDevices();
    virtual void DeleteDevices();
    virtual void DeleteBackEnd();
    // The device layer's factory: a configured driver for the record, or null. `known` is set
    // when the record's type has a driver (a known type may still be skipped for a missing
    // host, port or parameter text).
    virtual CAbstractDevice* CreateDevice(const DeviceRecord& record, bool& known);
    // Feeds a created driver its channel records (Begin, one Add per record, End).
    virtual void BeginChannels(CAbstractDevice* device);
    virtual void AddChannel(CAbstractDevice* device, uint32_t id, uint8_t valueType, uint8_t reportKind,
                            uint8_t direction, uint32_t length, const uint8_t* data);
    virtual void EndChannels(CAbstractDevice* device);

private:
    enum class PasswordOutcome
    {
        Accepted,
        Refused,
        FileCut,
    };

    // The header's fields after the magic.
    struct InterfaceHeader
    {
        uint32_t version;
        uint16_t designWidth;
        uint16_t designHeight;
        uint8_t displayFlags;
        uint8_t extraFlags;
    };

    bool ReadInterfaceFile(const char* path);
    // Null when the fields are read, else the start-up failure's text.
    const char16_t* ReadHeaderFields(InterfaceHeader& header);
    bool FailStartUp(const char16_t* text);
    PasswordOutcome ReadPassword();
    bool RestOfHeaderPresent() const;
    bool EnterFullScreen(uint8_t extraFlags);
    bool CreateBackEnd(const InterfaceHeader& header);
    bool ReadDeviceRecord();
    bool ReadChannels(CAbstractDevice* device);
    void FreeStream();
    void ShowStartupError();
    void SetWindowIcon();
    void RequestClose();
    void RunEventLoop();
    void PushMouse(uint8_t kind, int32_t x, int32_t y);
    void HandleFinger(const SDL_Event& event);

    CAbstractDialogSystem* m_backEnd = nullptr;
    CVector* m_deviceList = nullptr;
    std::atomic<uint8_t> m_loaded{0};
    uint8_t m_directDraw = 0;
    uint32_t m_previousTickTime;
    CNerulanCriticalSection* m_windowLock;
    CMouseQueue* m_mouseQueue;
    CInStream* m_stream = nullptr;
    char16_t m_errorText[kErrorTextCapacity];
    uint8_t m_passwordAccepted = 0;
    CWorkerThread* m_tickThread;
    char* m_path = nullptr;
    std::atomic<uint8_t> m_flushEnabled{0};

    // Start-up arguments and the window.
    char16_t* m_pathArgument = nullptr;
    char16_t* m_captionArgument = nullptr;
    std::string m_title;
    SDL_Window* m_window = nullptr;
    bool m_shutDown = false;
    // The interface asked to quit: set by the tick thread once, read by the main thread.
    std::atomic<bool> m_quitRequested{false};
    // The finger that acts as the pointer while it touches (a second finger is ignored).
    bool m_fingerDown = false;
    int64_t m_finger = 0;
};
