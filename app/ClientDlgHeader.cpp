// The interface file's header: magic, version, password, design size and display flags; the
// screen set-up and the back end.
#include <SDL.h>

#include <cstdio>

#include "app/ClientDlg.h"
#include "app/PasswordRequest.h"
#include "common/InStream.h"
#include "screen/DirectXDialogSystem.h"
#include "screen/GDIDialogSystem.h"

namespace
{
constexpr uint8_t kFullScreenFlag = 0x04;
constexpr uint8_t kExtraByteFlag = 0x80;
constexpr uint8_t kHideCursorFlag = 0x01;
} // namespace

bool CClientDlg::LoadInterfaceHeader(const char* path)
{
    if (!ReadInterfaceFile(path))
        return FailStartUp(kFileNotFound);
    InterfaceHeader header = {};
    const char16_t* error = ReadHeaderFields(header);
    if (error)
        return FailStartUp(error);
    if (header.designWidth == 0 || header.designHeight == 0)
        return FailStartUp(kDesignSizeError);
    m_directDraw = (header.displayFlags & kFullScreenFlag) ? 1 : 0;
    if ((m_directDraw && !EnterFullScreen(header.extraFlags)) || !CreateBackEnd(header))
    {
        // The error box that follows needs a pointer to be answered with.
        SDL_ShowCursor(SDL_ENABLE);
        return FailStartUp(kDisplayError);
    }
    return true;
}

const char16_t* CClientDlg::ReadHeaderFields(InterfaceHeader& header)
{
    // Every field is read with its bounds: a file that ends inside the header is no interface
    // file either.
    uint32_t magic = 0;
    if (!m_stream->ReadU32(magic) || magic != kMagic || !m_stream->ReadU32(header.version))
        return kFileNotFound;
    PasswordOutcome password = ReadPassword();
    if (password == PasswordOutcome::Refused)
        return kPasswordError;
    bool whole = password == PasswordOutcome::Accepted && m_stream->ReadU16(header.designWidth) &&
                 m_stream->ReadU16(header.designHeight) && m_stream->ReadU8(header.displayFlags) &&
                 (!(header.displayFlags & kExtraByteFlag) || m_stream->ReadU8(header.extraFlags));
    return whole ? nullptr : kFileNotFound;
}

bool CClientDlg::FailStartUp(const char16_t* text)
{
    SetErrorText(text);
    FreeStream();
    return false;
}

bool CClientDlg::ReadInterfaceFile(const char* path)
{
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file)
        return false;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        size = std::ftell(file);
    bool read = false;
    // An empty file cannot hold a header; a file beyond 2 GiB is no interface file.
    if (size > 0 && size <= 0x7FFFFFFF && std::fseek(file, 0, SEEK_SET) == 0)
    {
        const int32_t length = static_cast<int32_t>(size);
        uint8_t* bytes = new uint8_t[length];
        if (std::fread(bytes, 1, static_cast<size_t>(length), file) == static_cast<size_t>(length))
        {
            FreeStream();
            m_stream = new CInStream(CInStream::Refuse, length);
            read = m_stream->Append(bytes, length);
        }
        delete[] bytes;
    }
    std::fclose(file);
    if (!read)
        FreeStream();
    return read;
}

bool CClientDlg::CheckPassword()
{
    return ReadPassword() == PasswordOutcome::Accepted;
}

CClientDlg::PasswordOutcome CClientDlg::ReadPassword()
{
    uint8_t flag = 0;
    if (!m_stream || !m_stream->ReadU8(flag))
        return PasswordOutcome::FileCut;
    if (flag == 0)
        return PasswordOutcome::Accepted;
    uint32_t expectedCrc = 0;
    if (!m_stream->ReadU32(expectedCrc) || !RestOfHeaderPresent())
        return PasswordOutcome::FileCut;
    RunPasswordRequest(expectedCrc);
    // Only the accepted flag counts, however the prompt was closed.
    return IsPasswordAccepted() ? PasswordOutcome::Accepted : PasswordOutcome::Refused;
}

bool CClientDlg::RestOfHeaderPresent() const
{
    // Nobody is asked for the password of a file whose header is cut short: the design size
    // (4 bytes), the display flags and, when they announce it, the extra byte must follow.
    const int32_t pending = m_stream->Pending();
    if (pending < 5)
        return false;
    return !(m_stream->ReadPos()[4] & kExtraByteFlag) || pending >= 6;
}

void CClientDlg::RunPasswordRequest(uint32_t expectedCrc)
{
    CPasswordRequest request(this, expectedCrc);
    request.DoModal();
}

bool CClientDlg::EnterFullScreen(uint8_t extraFlags)
{
    // Before any back end exists the window loses its frame and covers the primary screen.
    if (!m_window)
        return false;
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(0, &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0)
        return false;
    SDL_SetWindowBordered(m_window, SDL_FALSE);
    SDL_SetWindowPosition(m_window, 0, 0);
    SDL_SetWindowSize(m_window, bounds.w, bounds.h);
    if (extraFlags & kHideCursorFlag)
        SDL_ShowCursor(SDL_DISABLE);
    return true;
}

bool CClientDlg::CreateBackEnd(const InterfaceHeader& header)
{
    if (m_directDraw)
        m_backEnd = new CDirectXDialogSystem(header.displayFlags);
    else
        m_backEnd = new CGDIDialogSystem(header.displayFlags);
    // A back end that cannot set up its screen would run with no surface: stop here instead.
    if (!m_backEnd->Init(m_window, header.designWidth, header.designHeight, m_directDraw != 0,
                         header.version))
    {
        DeleteBackEnd();
        return false;
    }
    return true;
}
