#pragma once
#include <cstdint>

// Where a fetcher hands its pictures: the dynamic image that owns it. Called on the fetcher's own
// thread; the bytes are the fetcher's and are only read during the call.
class CImageReceiver
{
public:
    virtual void OnImageData(const uint8_t* bytes, uint32_t length) = 0;

protected:
    ~CImageReceiver() = default;
};

// What a dynamic image hands its fetcher when the fetcher is set up. The texts belong to the
// image and are copied by the fetcher.
struct DynamicImageAddress
{
    const char* host;
    uint16_t port;
    const char* path;
    const char* file;
    const char* user;
    const char* password;
    uint32_t refreshPeriod; // milliseconds
    uint8_t flag;
};

// The fetcher a dynamic image owns: it fetches the image's pictures and hands each one to
// its receiver on its own thread. Drawing knows only this; the fetcher itself is a device
// (devices/HTTPDynamicImage) given to the image by whoever creates it, and it knows the image only
// as a receiver, so the devices need none of the drawing code.
class CImageFetcher
{
public:
    virtual ~CImageFetcher() = default;

    virtual bool Configure(const DynamicImageAddress& address) = 0;
    virtual bool Connect() = 0;
    virtual void Disconnect() = 0;
    virtual bool Update() = 0;

    // The image the pictures go to; null stops the deliveries (the image is going away).
    virtual void SetSprite(CImageReceiver* sprite) = 0;
    virtual void SetActive(bool active) = 0;
    virtual void SetRefreshPeriod(uint32_t milliseconds) = 0;
    virtual void SetPictureReceived(bool received) = 0;
};
