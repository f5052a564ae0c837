#include "AppTestSupport.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

ScopedWorkingFolder::ScopedWorkingFolder(const std::string& path)
{
    std::error_code ignored;
    m_previous = std::filesystem::current_path(ignored).string();
    std::filesystem::current_path(path, ignored);
}

ScopedWorkingFolder::~ScopedWorkingFolder()
{
    std::error_code ignored;
    std::filesystem::current_path(m_previous, ignored);
}

void SetHeadlessEnvironment()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    setenv("NERULAN_NO_MESSAGE_BOX", "1", 1);
}

HeadlessSdl::HeadlessSdl()
{
    SetHeadlessEnvironment();
    m_ok = SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
}

HeadlessSdl::~HeadlessSdl()
{
    SDL_Quit();
}

void CRecordingClientDlg::Record(const std::string& call)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.push_back(call);
}

std::vector<std::string> CRecordingClientDlg::Calls() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_calls;
}

std::vector<uint32_t> CRecordingClientDlg::Updates() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_updates;
}

void CRecordingClientDlg::ClearCalls()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.clear();
}

std::string CRecordingClientDlg::Joined() const
{
    std::string all;
    for (const std::string& call : Calls())
        all += (all.empty() ? "" : ", ") + call;
    return all;
}

void CRecordingClientDlg::RunPasswordRequest(uint32_t expectedCrc)
{
    passwordRequests.push_back(expectedCrc);
    SetPasswordAccepted(acceptPassword);
}

bool CRecordingClientDlg::LoadNextRecord()
{
    Record("load");
    if (recordsLeft.load() <= 0)
        return false;
    --recordsLeft;
    return true;
}

void CRecordingClientDlg::DispatchPointer(uint8_t kind, int32_t x, int32_t y)
{
    Record("dispatch " + std::to_string(kind) + " " + std::to_string(x) + " " + std::to_string(y));
}

void CRecordingClientDlg::UpdateInterface(uint32_t elapsedMs)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_updates.push_back(elapsedMs);
    }
    Record("update");
}

bool CRecordingClientDlg::IsInterfaceRunning()
{
    return running.load();
}

void CRecordingClientDlg::FlushInterface()
{
    Record("flush");
}

void CRecordingClientDlg::ConnectDevices()
{
    Record("connect");
}

void CRecordingClientDlg::UpdateDevices()
{
    Record("devices");
}

void CRecordingClientDlg::DisconnectDevices()
{
    tickStoppedAtDisconnect = GetTickThread() == nullptr;
    Record("disconnect");
}

void CRecordingClientDlg::DeleteDevices()
{
    backEndAliveAtDeviceDelete = GetBackEnd() != nullptr;
    Record("delete devices");
    CClientDlg::DeleteDevices();
}

void CRecordingClientDlg::DeleteBackEnd()
{
    Record("delete back end");
    CClientDlg::DeleteBackEnd();
}
