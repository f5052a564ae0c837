#pragma once
#include <cstdint>

#include "render/ImageFetcher.h"

// PLACEHOLDER until the HTTP device layer exists: the fetcher that a dynamic image owns. This
// version keeps what it is told and never fetches or delivers a picture. The real fetcher keeps
// this interface (Configure / Connect / Disconnect / Update, the active flag, the refresh period,
// the picture-received flag and the back pointer through which it calls
// CImageReceiver::OnImageData on its transport thread).
class CHTTPDynamicImage : public CImageFetcher
{
public:
    CHTTPDynamicImage();
    ~CHTTPDynamicImage() override;
    CHTTPDynamicImage(const CHTTPDynamicImage&) = delete;
    CHTTPDynamicImage& operator=(const CHTTPDynamicImage&) = delete;

    bool Configure(const DynamicImageAddress& address) override;
    bool Connect() override;
    void Disconnect() override;
    bool Update() override;

    void SetSprite(CImageReceiver* sprite) override { m_sprite = sprite; }
    CImageReceiver* GetSprite() const { return m_sprite; }
    void SetActive(bool active) override { m_active = active ? 1 : 0; }
    bool IsActive() const { return m_active != 0; }
    void SetRefreshPeriod(uint32_t milliseconds) override { m_refreshPeriod = milliseconds; }
    uint32_t GetRefreshPeriod() const { return m_refreshPeriod; }
    void SetPictureReceived(bool received) override { m_pictureReceived = received ? 1 : 0; }
    bool GetPictureReceived() const { return m_pictureReceived != 0; }

    // Counters that let the image's tests see what the fetcher was asked to do.
    int32_t GetConfigureCount() const { return m_configureCount; }
    int32_t GetConnectCount() const { return m_connectCount; }
    int32_t GetDisconnectCount() const { return m_disconnectCount; }
    int32_t GetUpdateCount() const { return m_updateCount; }
    const char* GetHost() const { return m_host; }
    uint16_t GetPort() const { return m_port; }

private:
    CImageReceiver* m_sprite = nullptr;
    char* m_host = nullptr;
    uint16_t m_port = 0;
    uint32_t m_refreshPeriod = 0;
    uint8_t m_pictureReceived = 0;
    uint8_t m_active = 0;
    int32_t m_configureCount = 0;
    int32_t m_connectCount = 0;
    int32_t m_disconnectCount = 0;
    int32_t m_updateCount = 0;
};
