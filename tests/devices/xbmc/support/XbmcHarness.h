#pragma once
// A scripted media centre on 127.0.0.1 and an XBMC device that talks to it, for the driver's
// tests. The test answers each request by hand (Answer), so every step happens in the order the
// test writes; the device's clock stands still until the test moves it (Advance), so the polls
// come exactly when the test says.
//
//     XbmcHarness h;
//     h.AddChannel(1, {CustomKindValue, XBMCKindVolume, 0});
//     h.Start();                                   // Configure + first Update
//     EXPECT_EQ(h.NextRequest(), h.Get("GetVolume()"));
//     h.Answer("<html>\n<li>57\n</html>");
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/NerulanValue.h"
#include "common/StringFunctions.h"
#include "devices/DeviceParams.h"
#include "devices/controllers/xbmc/XBMCDevice.h"
#include "devices/support/NullEventSink.h"
#include "support/TcpPeer.h"

namespace xbmc_test
{
// What the interface was told, in order, with the texts copied.
struct Seen
{
    std::string what; // "value", "text", "clear", "rows", "rowtext", "select", "refresh"
    uint32_t address = 0;
    int64_t a = 0;
    int64_t b = 0;
    std::string text;
};

class CRecordingSink : public CNullEventSink
{
public:
    void SetItemValue(uint32_t address, float value) override
    {
        Add("value", address, static_cast<int64_t>(value));
    }
    void SetItemText(uint32_t address, int32_t state, const char16_t* text) override
    {
        Add("text", address, state, text ? 1 : 0, Narrow(text));
    }
    void RefreshAllDynamicImages() override { Add("refresh"); }
    void ListBoxClear(uint32_t address) override { Add("clear", address); }
    void ListBoxAddRows(uint32_t address, uint32_t count, uint32_t firstId) override
    {
        Add("rows", address, count, firstId);
    }
    void ListBoxSelectRow(uint32_t address, uint32_t rowId, bool selected) override
    {
        Add("select", address, rowId, selected ? 1 : 0);
    }
    void ListBoxSetRowText(uint32_t address, uint32_t rowId, const char16_t* text) override
    {
        Add("rowtext", address, rowId, text ? 1 : 0, Narrow(text));
    }

    std::vector<Seen> All()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_seen;
    }
    std::vector<Seen> Of(const std::string& what)
    {
        std::vector<Seen> found;
        for (const Seen& s : All())
            if (s.what == what)
                found.push_back(s);
        return found;
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_seen.size();
    }
    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_seen.clear();
    }
    // The rows a list box shows after the events so far: texts by row id, from the last clear.
    std::vector<std::string> Rows()
    {
        std::vector<std::string> rows;
        for (const Seen& s : All())
        {
            if (s.what == "clear")
                rows.clear();
            else if (s.what == "rowtext")
            {
                if (rows.size() <= static_cast<size_t>(s.a))
                    rows.resize(static_cast<size_t>(s.a) + 1);
                rows[static_cast<size_t>(s.a)] = s.text;
            }
        }
        return rows;
    }

private:
    static std::string Narrow(const char16_t* text)
    {
        if (!text)
            return "<null>";
        char* utf8 = WideToUtf8(text);
        std::string copy = utf8 ? utf8 : "";
        StrFree(utf8);
        return copy;
    }
    void Add(const char* what, uint32_t address = 0, int64_t a = 0, int64_t b = 0,
             const std::string& text = {})
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_seen.push_back(Seen{what, address, a, b, text});
    }

    std::mutex m_lock;
    std::vector<Seen> m_seen;
};

// The driver with a clock the test moves.
class CTestXBMCDevice : public CXBMCDevice
{
public:
    // The transport's thread stops before the clock it reads goes.
    ~CTestXBMCDevice() override { DeleteTransport(); }
    std::atomic<uint32_t> time{0};
    uint32_t Now() const override { return time.load(); }
    int32_t QueuedRequests() { return Queue().GetCount(); }
    // Bytes read so far (counted once the device has taken them, and with them their time).
    std::atomic<uint64_t> received{0};
    void OnReceive(const uint8_t* bytes, uint32_t length) override
    {
        CXBMCDevice::OnReceive(bytes, length);
        received += length;
    }
    bool HasQueued(int32_t tag) { return Queue().ContainsTag(tag); }
};

inline std::vector<uint8_t> Blob(std::initializer_list<uint8_t> head, const std::string& bytes = {},
                                 uint32_t eventValue = 0, uint8_t repeat = 1)
{
    std::vector<uint8_t> blob(head);
    if (blob.size() >= 2 && blob[1] == XBMCKindCommand)
    {
        auto u32 = [&](uint32_t v)
        {
            for (int i = 0; i < 4; ++i)
                blob.push_back(static_cast<uint8_t>(v >> (8 * i)));
        };
        u32(0);
        u32(eventValue);
        blob.push_back(repeat);
        u32(static_cast<uint32_t>(bytes.size()));
        blob.insert(blob.end(), bytes.begin(), bytes.end());
    }
    return blob;
}

class XbmcHarness
{
public:
    static constexpr uint16_t kDeviceId = 3;

    XbmcHarness() : device(std::make_unique<CTestXBMCDevice>())
    {
        device->SetId(kDeviceId);
        device->SetDialogSystem(&sink);
    }
    ~XbmcHarness() { device.reset(); }

    static uint32_t Address(uint16_t channel) { return (uint32_t{kDeviceId} << 16) | channel; }

    void AddChannel(uint16_t id, const std::vector<uint8_t>& blob)
    {
        device->AddChannel(id, 0, 0, 0, static_cast<uint32_t>(blob.size()), blob.data());
    }

    // Configure towards the peer (poll period `period`, 0 = the driver's own) and the first
    // Update, which polls nothing yet.
    bool Start(uint32_t period = 0)
    {
        DeviceParams params;
        params.type = 0xF1;
        params.host = "127.0.0.1";
        params.port = peer.Port();
        params.value = period;
        bool opened = device->Configure(&params);
        device->Update();
        return opened;
    }

    void Tick()
    {
        device->Update();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    template <typename Predicate> bool TickUntil(Predicate done, uint32_t ms = 10000)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done())
        {
            if (std::chrono::steady_clock::now() > end)
                return false;
            Tick();
        }
        return true;
    }
    void Advance(uint32_t ms) { device->time += ms; }

    // Every whole request the peer received so far.
    std::vector<std::string> Requests() const
    {
        std::vector<uint8_t> bytes = peer.Bytes();
        std::string all(bytes.begin(), bytes.end());
        std::vector<std::string> requests;
        size_t at = 0;
        for (size_t end; (end = all.find("\r\n\r\n", at)) != std::string::npos; at = end + 4)
            requests.push_back(all.substr(at, end + 4 - at));
        return requests;
    }
    // Ticks until the next request arrives and returns it whole ("" after 10 s).
    std::string NextRequest()
    {
        size_t wanted = m_taken + 1;
        if (!TickUntil([&] { return Requests().size() >= wanted; }))
            return "";
        return Requests()[m_taken++];
    }
    // The next request's command (the text after "command=" up to " HTTP/1.1").
    std::string NextCommand()
    {
        std::string request = NextRequest();
        size_t at = request.find("command=");
        size_t end = request.find(" HTTP/1.1");
        if (at == std::string::npos || end == std::string::npos || end < at)
            return request.substr(0, request.find("\r\n"));
        return request.substr(at + 8, end - at - 8);
    }
    // The exact request the device sends for a command.
    static std::string Get(const std::string& command)
    {
        return "GET /xbmcCmds/xbmcHttp?command=" + command +
               " HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Nerulan/1.5.6\r\nAccept: */*\r\n\r\n";
    }

    static std::vector<uint8_t> Response(const std::string& body, int status = 200)
    {
        std::string head = "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Error") +
                           "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
                           "\r\n\r\n";
        std::string all = head + body;
        return std::vector<uint8_t>(all.begin(), all.end());
    }
    // Answers the request just taken.
    bool Answer(const std::string& body, int status = 200) { return peer.Send(Response(body, status)); }
    bool AnswerRaw(const std::vector<uint8_t>& bytes) { return peer.Send(bytes); }

    // Ticks until the device has nothing queued and the interface has seen `count` events.
    bool SettleEvents(size_t count)
    {
        return TickUntil([&] { return sink.Count() >= count; });
    }

    TcpPeer peer;
    CRecordingSink sink;
    std::unique_ptr<CTestXBMCDevice> device;

private:
    size_t m_taken = 0;
};

inline bool SetValue(CXBMCDevice& device, uint16_t channel, int32_t value)
{
    std::unique_ptr<CNerulanValue> v(CNerulanValue::NewInt(value));
    return device.SetValue(channel, v.get());
}
} // namespace xbmc_test
