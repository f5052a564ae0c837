#pragma once
// HTTP devices for the tests: one that records every piece of body it is handed, with a clock the
// test can move forward, and the small helpers the HTTP tests share.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "devices/DeviceParams.h"
#include "devices/controllers/http/HTTPDevice.h"

namespace http_test
{
struct Piece
{
    uint8_t part;
    std::string bytes;
    int32_t tag;
    uint16_t contentType;
};

// Skew() moves the device's clock forward: both ends of every time-out are read from the same
// clock, so a jump of more than 5000 ms times out whatever is waiting, without waiting for it.
// Hold() stops the real clock's part, so that on a slow machine no period passes unless the test
// skews it.
template <class Base> class CSkewed : public Base
{
public:
    // The transport's thread stops before the clock it reads goes.
    ~CSkewed() override { this->DeleteTransport(); }
    uint32_t Now() const override { return (m_held ? m_heldAt.load() : Base::Now()) + m_skew.load(); }
    void Skew(uint32_t ms) { m_skew += ms; }
    void Hold()
    {
        m_heldAt = Base::Now();
        m_held = true;
    }

private:
    std::atomic<uint32_t> m_skew{0};
    std::atomic<uint32_t> m_heldAt{0};
    std::atomic<bool> m_held{false};
};

class CRecordingHttp : public CSkewed<CHTTPDevice>
{
public:
    CRecordingHttp() { SetReadsBodies(true); }
    ~CRecordingHttp() override { DeleteTransport(); }

    std::vector<Piece> Pieces()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_pieces;
    }
    size_t PieceCount()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_pieces.size();
    }
    // The bytes of every piece of this part, joined.
    std::string Joined(uint8_t part)
    {
        std::string all;
        for (const Piece& piece : Pieces())
            if (piece.part == part)
                all += piece.bytes;
        return all;
    }

protected:
    void OnResponseData(uint8_t part, const uint8_t* bytes, uint32_t length) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_pieces.push_back(Piece{part, bytes ? std::string(reinterpret_cast<const char*>(bytes), length) : "",
                                 CurrentTag(), GetContentType()});
    }

private:
    std::mutex m_lock;
    std::vector<Piece> m_pieces;
};

inline bool ConfigureLoopback(CHTTPDevice& device, uint16_t port)
{
    DeviceParams params;
    params.type = 0xE1;
    params.host = "127.0.0.1";
    params.port = port;
    return device.Configure(&params);
}

// The request the device sends for a path, without authorisation.
inline std::string RequestFor(const std::string& target)
{
    return "GET " + target +
           " HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Nerulan/1.5.6\r\nAccept: */*\r\n\r\n";
}

inline std::string Text(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}
} // namespace http_test
