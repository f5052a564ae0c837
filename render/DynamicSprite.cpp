#include "render/DynamicSprite.h"

#include <FreeImage.h>
#include <cstring>
#include <utility>

#include "common/DynamicSpriteData.h"
#include "common/InStream.h"
#include "common/StringFunctions.h"
#include "common/Vector.h"
#include "render/PixelBuffer.h"

namespace
{
// The first file version whose dynamic-image records carry the refresh period in milliseconds.
constexpr uint32_t kVersionRefreshMs = 0x10500;

// An interface-file text in place of the field's old one. The copy is null for length 0 and for a
// text that is empty; a text with a zero inside is kept up to it. False when the record is cut short.
bool ReadFileText(CInStream* stream, char*& out)
{
    StrFree(out);
    out = nullptr;
    char* text = nullptr;
    if (!stream->ReadText(text))
        return false;
    out = StrDup(text);
    delete[] text;
    return true;
}

bool IsEmpty(const char* text)
{
    return text == nullptr || text[0] == '\0';
}
} // namespace

std::atomic<int32_t> CDynamicSprite::s_count{0};

CDynamicSprite::CDynamicSprite(std::unique_ptr<CImageFetcher> fetcher) : m_fetcher(std::move(fetcher))
{
    m_fetcher->SetSprite(this);
    s_count.fetch_add(1, std::memory_order_relaxed);
}

CDynamicSprite::~CDynamicSprite()
{
    s_count.fetch_sub(1, std::memory_order_relaxed);
    // The fetcher's thread must not call back into a half-destroyed image.
    m_fetcher->SetSprite(nullptr);
    m_fetcher.reset();
    StrFree(m_host);
    StrFree(m_path);
    StrFree(m_file);
    StrFree(m_user);
    StrFree(m_password);
}

int32_t CDynamicSprite::GetWidth()
{
    CCriticalSectionGuard guard(&m_lock);
    return m_bitmap != nullptr ? static_cast<int32_t>(FreeImage_GetWidth(m_bitmap)) : 0;
}

int32_t CDynamicSprite::GetHeight()
{
    CCriticalSectionGuard guard(&m_lock);
    return m_bitmap != nullptr ? static_cast<int32_t>(FreeImage_GetHeight(m_bitmap)) : 0;
}

bool CDynamicSprite::HasBitmap()
{
    CCriticalSectionGuard guard(&m_lock);
    return m_bitmap != nullptr;
}

void CDynamicSprite::Draw(CPixelBuffer* buffer, int32_t x, int32_t y)
{
    (void)x;
    (void)y;
    if (buffer == nullptr)
        return;
    CCriticalSectionGuard guard(&m_lock);
    if (m_bitmap != nullptr)
        DrawImageScaled(m_bitmap, buffer, buffer->width, buffer->height);
}

void CDynamicSprite::DrawFillTint(CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y,
                                  int32_t width, int32_t height, uint32_t colour)
{
    CCriticalSectionGuard guard(&m_lock);
    CSprite::DrawFillTint(buffer, clip, x, y, width, height, colour);
}

void CDynamicSprite::DrawCutOut(CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y,
                                int32_t width, int32_t height, uint32_t colour)
{
    CCriticalSectionGuard guard(&m_lock);
    CSprite::DrawCutOut(buffer, clip, x, y, width, height, colour);
}

void CDynamicSprite::DrawBorderTint(CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y,
                                    int32_t width, int32_t height, uint32_t colour)
{
    CCriticalSectionGuard guard(&m_lock);
    CSprite::DrawBorderTint(buffer, clip, x, y, width, height, colour);
}

bool CDynamicSprite::Load(CInStream* stream, uint32_t id, const char* name, uint32_t fileVersion)
{
    m_id = id;
    SetName(name);
    if (stream == nullptr || !stream->ReadU8(m_protocol) || !ReadFileText(stream, m_host) ||
        !stream->ReadU16(m_port) || !ReadFileText(stream, m_path) || !ReadFileText(stream, m_file) ||
        !ReadFileText(stream, m_user) || !ReadFileText(stream, m_password))
        return false;
    if (fileVersion >= kVersionRefreshMs)
    {
        if (!stream->ReadU32(m_refreshPeriod))
            return false;
    }
    else
    {
        uint8_t skipped = 0;
        uint16_t seconds = 0;
        if (!stream->ReadU8(skipped) || !stream->ReadU16(seconds))
            return false;
        m_refreshPeriod = seconds * 1000u;
    }
    uint8_t flag = 0;
    if (!stream->ReadU8(flag))
        return false;
    m_flag = flag != 0 ? 1 : 0;
    return true;
}

void CDynamicSprite::ApplyChanges(const CDynamicSpriteData* data)
{
    if (data == nullptr)
        return;
    const uint32_t mask = data->mask;
    if (mask & CDynamicSpriteData::ChangeProtocol)
        m_protocol = data->protocol;
    if (mask & CDynamicSpriteData::ChangeHost)
        CDynamicSpriteData::SetText(m_host, data->host);
    if (mask & CDynamicSpriteData::ChangePort)
        m_port = data->port;
    if (mask & CDynamicSpriteData::ChangeUser)
        CDynamicSpriteData::SetText(m_user, data->user);
    if (mask & CDynamicSpriteData::ChangePassword)
        CDynamicSpriteData::SetText(m_password, data->password);
    if (mask & CDynamicSpriteData::ChangePath)
        CDynamicSpriteData::SetText(m_path, data->path);
    if (mask & CDynamicSpriteData::ChangeFile)
        CDynamicSpriteData::SetText(m_file, data->file);
    if (mask & CDynamicSpriteData::ChangeRefreshPeriod)
        m_refreshPeriod = data->refreshPeriod;
    if (mask & CDynamicSpriteData::ChangeFlag)
        m_flag = data->flag != 0 ? 1 : 0;
    // The next refresh pass sets the fetcher up again from the new fields.
    m_fetcher->Disconnect();
    m_state &= static_cast<uint8_t>(~FlagFetching);
    m_fetcher->SetRefreshPeriod(m_refreshPeriod);
    m_fetcher->SetPictureReceived(false);
}

void CDynamicSprite::SetRefreshPeriod(uint32_t milliseconds)
{
    m_fetcher->SetRefreshPeriod(milliseconds);
    m_fetcher->SetPictureReceived(false);
    RaiseVersion();
}

void CDynamicSprite::RaiseVersion()
{
    m_dynamicVersion.fetch_add(1, std::memory_order_acq_rel);
}

// The picture is decoded before the lock is tried, so the lock is only ever held for the swap and
// neither thread waits for a decode; a picture that finds the lock taken is dropped all the same.
void CDynamicSprite::OnImageData(const uint8_t* bytes, uint32_t length)
{
    FIBITMAP* bitmap = DecodeImage(bytes, length);
    if (bitmap == nullptr)
        return;
    if (!m_lock.TryEnter())
    {
        FreeImage_Unload(bitmap);
        return;
    }
    FIBITMAP* old = m_bitmap;
    m_bitmap = bitmap;
    RaiseVersion();
    m_lock.Leave();
    if (old != nullptr)
        FreeImage_Unload(old);
}

void CDynamicSprite::SetInUse(bool inUse)
{
    if (inUse)
        m_state |= FlagInUse;
    else
        m_state &= static_cast<uint8_t>(~FlagInUse);
}

void CDynamicSprite::UpdateFetcher()
{
    const bool inUse = IsInUse();
    const bool fetching = IsFetching();
    if (inUse && fetching)
    {
        m_fetcher->Update();
        return;
    }
    if (inUse)
    {
        // An image without host or port is not tried again until it leaves the page or changes.
        if (!IsEmpty(m_host) && m_port != 0)
        {
            const DynamicImageAddress address{m_host, m_port,     m_path,          m_file,
                                              m_user, m_password, m_refreshPeriod, m_flag};
            m_fetcher->Configure(address);
            m_fetcher->SetActive(true);
            m_fetcher->Connect();
        }
        m_state |= FlagFetching;
        return;
    }
    if (fetching)
    {
        // The connection is left as it is; the fetcher only stops asking for pictures.
        m_fetcher->SetActive(false);
        m_state &= static_cast<uint8_t>(~FlagFetching);
    }
}

void CDynamicSprite::ClearInUse(CVector* images)
{
    if (images == nullptr || !AnyExists())
        return;
    for (int32_t i = 0; i < images->GetCount(); ++i)
    {
        CSprite* sprite = images->Get<CSprite>(i);
        if (sprite != nullptr && sprite->GetKind() == KindDynamic)
            static_cast<CDynamicSprite*>(sprite)->SetInUse(false);
    }
}

void CDynamicSprite::UpdateFetchers(CVector* images)
{
    if (images == nullptr || !AnyExists())
        return;
    for (int32_t i = 0; i < images->GetCount(); ++i)
    {
        CSprite* sprite = images->Get<CSprite>(i);
        if (sprite != nullptr && sprite->GetKind() == KindDynamic)
            static_cast<CDynamicSprite*>(sprite)->UpdateFetcher();
    }
}
