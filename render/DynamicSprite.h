#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "common/NerulanCriticalSection.h"
#include "render/ImageFetcher.h"
#include "render/Sprite.h"

class CVector;

// An image whose picture is fetched over HTTP while it is shown on the current page. It owns its
// fetcher; the fetcher hands every picture to OnImageData on its transport thread, and the image
// swaps its bitmap only when its lock is free at that moment (a transport thread never waits for
// drawing). Every reader of the bitmap holds the lock. The flags, the address fields and the
// fetcher's set-up are touched only on the tick thread.
class CDynamicSprite : public CSprite, public CImageReceiver
{
public:
    enum StateFlags : uint8_t
    {
        FlagInUse = 0x01,
        FlagFetching = 0x02,
    };

    // The image owns the fetcher (never null).
    explicit CDynamicSprite(std::unique_ptr<CImageFetcher> fetcher);
    ~CDynamicSprite() override;

    int32_t GetKind() const override { return KindDynamic; }
    int32_t GetWidth() override;
    int32_t GetHeight() override;
    // Scaled to the buffer's whole size; x and y are not used.
    void Draw(CPixelBuffer* buffer, int32_t x, int32_t y) override;
    void DrawFillTint(CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y, int32_t width,
                      int32_t height, uint32_t colour) override;
    void DrawCutOut(CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y, int32_t width,
                    int32_t height, uint32_t colour) override;
    void DrawBorderTint(CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y, int32_t width,
                        int32_t height, uint32_t colour) override;
    bool Load(CInStream* stream, uint32_t id, const char* name, uint32_t fileVersion) override;
    void ApplyChanges(const CDynamicSpriteData* data) override;
    void SetRefreshPeriod(uint32_t milliseconds) override;
    uint32_t GetVersion() const override { return m_dynamicVersion.load(std::memory_order_acquire); }
    bool HasBitmap() override;

    // A picture from the fetcher (its transport thread). Dropped when the lock is held or the bytes
    // do not decode; otherwise it replaces the bitmap and raises the version.
    void OnImageData(const uint8_t* bytes, uint32_t length) override;

    // The refresh pass of one tick, tick thread.
    void SetInUse(bool inUse);
    bool IsInUse() const { return (m_state & FlagInUse) != 0; }
    bool IsFetching() const { return (m_state & FlagFetching) != 0; }
    // Starts, polls or stops the fetcher by the in-use and fetching flags.
    void UpdateFetcher();

    // Clears the in-use flag of every dynamic image of the list (step 1 of the refresh pass).
    static void ClearInUse(CVector* images);
    // UpdateFetcher for every dynamic image of the list (the last step of the refresh pass).
    static void UpdateFetchers(CVector* images);
    // Whether any dynamic image exists now: without one, the per-tick walks over the images and
    // the items' looks for dynamic images have nothing to find.
    static bool AnyExists() { return s_count.load(std::memory_order_relaxed) != 0; }

    uint8_t GetProtocol() const { return m_protocol; }
    const char* GetHost() const { return m_host; }
    uint16_t GetPort() const { return m_port; }
    const char* GetPath() const { return m_path; }
    const char* GetFile() const { return m_file; }
    const char* GetUser() const { return m_user; }
    const char* GetPassword() const { return m_password; }
    uint32_t GetRefreshPeriod() const { return m_refreshPeriod; }
    uint8_t GetFlag() const { return m_flag; }
    CImageFetcher* GetFetcher() const { return m_fetcher.get(); }
    CNerulanCriticalSection* GetLock() { return &m_lock; }

private:
    void RaiseVersion();

    uint8_t m_protocol = 0;
    uint8_t m_state = 0;
    char* m_host = nullptr;
    uint16_t m_port = 0;
    char* m_path = nullptr;
    char* m_file = nullptr;
    char* m_user = nullptr;
    char* m_password = nullptr;
    uint32_t m_refreshPeriod = 0;
    uint8_t m_flag = 0;
    CNerulanCriticalSection m_lock;
    std::unique_ptr<CImageFetcher> m_fetcher;
    // Read without the lock by the items' update (a stale read only delays a redraw by a tick),
    // written under the lock by the fetcher's thread: atomic to stay free of data races.
    std::atomic<uint32_t> m_dynamicVersion{0};

    // Dynamic images alive (made and freed on any thread).
    static std::atomic<int32_t> s_count;
};
