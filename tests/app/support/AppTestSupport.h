#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "app/ClientDlg.h"
#include "support/TempFolder.h"
#include "tools/writer/InterfaceFileWriter.h"

// Makes a folder the working folder for the lifetime of a scope.
class ScopedWorkingFolder
{
public:
    explicit ScopedWorkingFolder(const std::string& path);
    ~ScopedWorkingFolder();
    ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
    ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;

private:
    std::string m_previous;
};

// Headless SDL for a test: the dummy video driver, silent sound, no message boxes; SDL is
// started with video and events, and quit again at the end.
class HeadlessSdl
{
public:
    HeadlessSdl();
    ~HeadlessSdl();
    bool Ok() const { return m_ok; }

private:
    bool m_ok = false;
};

// Sets the variables a headless run needs (also for child processes).
void SetHeadlessEnvironment();

// A main window whose back-end and device calls are recorded instead of made (unless told to
// pass them on), so that tests can watch the order of a tick, the start-up and the stop order.
class CRecordingClientDlg : public CClientDlg
{
public:
    CRecordingClientDlg(const char16_t* path = nullptr, const char16_t* caption = nullptr)
        : CClientDlg(path, caption)
    {
    }

    // Every call so far, in order ("load", "dispatch 2 10 20", "update", "flush", ...); the
    // calls come from the tick thread, so they are read through these.
    std::vector<std::string> Calls() const;
    std::vector<uint32_t> Updates() const;
    std::string Joined() const;
    void ClearCalls();

    // LoadNextRecord answers true this many times, then false.
    std::atomic<int> recordsLeft{0};
    // What IsInterfaceRunning answers.
    std::atomic<bool> running{true};
    // The CRCs the password prompt was asked with, and what the prompt does.
    std::vector<uint32_t> passwordRequests;
    bool acceptPassword = false;
    // Whether the tick thread was already stopped when the devices were disconnected.
    bool tickStoppedAtDisconnect = false;
    bool backEndAliveAtDeviceDelete = false;

protected:
    void RunPasswordRequest(uint32_t expectedCrc) override;
    bool LoadNextRecord() override;
    void DispatchPointer(uint8_t kind, int32_t x, int32_t y) override;
    void UpdateInterface(uint32_t elapsedMs) override;
    bool IsInterfaceRunning() override;
    void FlushInterface() override;
    void ConnectDevices() override;
    void UpdateDevices() override;
    void DisconnectDevices() override;
    void DeleteDevices() override;
    void DeleteBackEnd() override;

private:
    void Record(const std::string& call);

    mutable std::mutex m_lock;
    std::vector<std::string> m_calls;
    std::vector<uint32_t> m_updates;
};
