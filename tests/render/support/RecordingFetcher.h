#pragma once
#include <cstdint>
#include <string>

#include "render/DynamicSprite.h"
#include "render/ImageFetcher.h"

// A fetcher that keeps what the image tells it and counts the calls, so that the image's tests
// see what the fetcher was asked to do. It never fetches a picture.
class CRecordingFetcher : public CImageFetcher
{
public:
    bool Configure(const DynamicImageAddress& address) override
    {
        m_host = address.host != nullptr ? address.host : "";
        m_port = address.port;
        m_refreshPeriod = address.refreshPeriod;
        ++m_configureCount;
        return true;
    }
    bool Connect() override
    {
        ++m_connectCount;
        m_pictureReceived = false;
        return true;
    }
    void Disconnect() override { ++m_disconnectCount; }
    bool Update() override
    {
        ++m_updateCount;
        return false;
    }
    void SetSprite(CImageReceiver* sprite) override { m_sprite = sprite; }
    void SetActive(bool active) override { m_active = active; }
    void SetRefreshPeriod(uint32_t milliseconds) override { m_refreshPeriod = milliseconds; }
    void SetPictureReceived(bool received) override { m_pictureReceived = received; }

    CImageReceiver* GetSprite() const { return m_sprite; }
    bool IsActive() const { return m_active; }
    uint32_t GetRefreshPeriod() const { return m_refreshPeriod; }
    bool GetPictureReceived() const { return m_pictureReceived; }
    int32_t GetConfigureCount() const { return m_configureCount; }
    int32_t GetConnectCount() const { return m_connectCount; }
    int32_t GetDisconnectCount() const { return m_disconnectCount; }
    int32_t GetUpdateCount() const { return m_updateCount; }
    const char* GetHost() const { return m_host.c_str(); }
    uint16_t GetPort() const { return m_port; }

    // The recording fetcher of an image made with one.
    static CRecordingFetcher* Of(const CDynamicSprite& sprite)
    {
        return static_cast<CRecordingFetcher*>(sprite.GetFetcher());
    }

private:
    CImageReceiver* m_sprite = nullptr;
    std::string m_host;
    uint16_t m_port = 0;
    uint32_t m_refreshPeriod = 0;
    bool m_pictureReceived = false;
    bool m_active = false;
    int32_t m_configureCount = 0;
    int32_t m_connectCount = 0;
    int32_t m_disconnectCount = 0;
    int32_t m_updateCount = 0;
};
