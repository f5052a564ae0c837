#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "devices/controllers/http/HTTPDevice.h"
#include "devices/controllers/http/HTTPDynamicImageInStream.h"
#include "render/ImageFetcher.h"

// The fetcher a dynamic image owns: an HTTP device outside the device table that fetches the
// image's picture once, every refresh period, or as a camera's stream of pictures
// (multipart/x-mixed-replace), and hands each picture to the image on its transport thread.
//
// The image's refresh pass drives it on the tick thread: while the image is shown, the first pass
// configures it (Configure with the image's address), activates and connects it, and every later
// pass calls Update, which queues a request when one is due and runs the HTTP cycle; once the
// image is no longer shown the pass deactivates it. A change of the image's address calls
// Disconnect, and the next pass sets it up again.
//
// When a request is due: with a refresh period, once the period has passed since the last
// request; without one, while no picture has come since the last connection, or when the last
// response was a camera stream (a closed stream is opened again), but never twice within
// kRetryGapMs, so a server that answers at once without a picture is not asked every tick.
// A refusal (a status other than 200, say 401) stops the fetcher until the next Disconnect.
class CHTTPDynamicImage : public CHTTPDevice, public CImageFetcher
{
public:
    static constexpr uint32_t kRetryGapMs = 1000;
    // The longest request path built from the folder and the file.
    static constexpr size_t kMaxPathLength = 1024;

    CHTTPDynamicImage();
    ~CHTTPDynamicImage() override;

    using CHTTPDevice::Configure;
    // Copies the address: host, port, folder (path), file, user, password, period. It opens
    // nothing; Connect does.
    bool Configure(const DynamicImageAddress& address) override;
    // Ready to fetch: opens the transport with the address and leaves the phase idle, so that the
    // next Update queues the request and connects with it.
    bool Connect() override;
    void Disconnect() override;
    bool Update() override;
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    void OnConnected() override;

    void SetSprite(CImageReceiver* sprite) override { m_sprite = sprite; }
    CImageReceiver* GetSprite() const { return m_sprite.load(); }
    // Leaving the screen also ends a camera stream in progress (a still picture on its way is
    // left to arrive).
    void SetActive(bool active) override;
    bool IsActive() const { return m_active.load() != 0; }
    void SetRefreshPeriod(uint32_t milliseconds) override { m_refreshPeriod = milliseconds; }
    uint32_t GetRefreshPeriod() const { return m_refreshPeriod.load(); }
    void SetPictureReceived(bool received) override { m_pictureReceived = received ? 1 : 0; }
    bool GetPictureReceived() const { return m_pictureReceived.load() != 0; }
    const char* GetFolder() const { return m_folder.empty() ? nullptr : m_folder.c_str(); }
    const char* GetFile() const { return m_file.empty() ? nullptr : m_file.c_str(); }

protected:
    void OnResponseData(uint8_t part, const uint8_t* bytes, uint32_t length) override;
    // A refused request stops the fetcher: asking again with the same credentials would be refused
    // again.
    bool StopsOnRefusal() const override { return true; }

private:
    bool RequestDue();
    void QueuePictureRequest();
    void Deliver(const uint8_t* bytes, uint32_t length);

    std::string m_folder;
    std::string m_file;
    std::atomic<uint32_t> m_refreshPeriod{0};
    uint32_t m_lastRequest = 0;
    bool m_requested = false;
    std::atomic<uint8_t> m_pictureReceived{0};
    std::atomic<CImageReceiver*> m_sprite{nullptr};
    std::atomic<uint8_t> m_active{0};
    // Transport thread only.
    CHTTPDynamicImageInStream m_frames;
};
