#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "common/InStream.h"
#include "devices/AbstractDevice.h"
#include "devices/ChannelList.h"
#include "devices/OutStream.h"
#include "devices/ReportPoster.h"
#include "devices/controllers/domintell/DomintellChannel.h"
#include "devices/controllers/domintell/DomintellCodec.h"
#include "devices/controllers/domintell/DomintellLineReader.h"

// A Domintell installation through its master's text protocol: the login with its token, the
// status stream ("RSMODE", then one "PING" on "sio=TRUE"), one command line per press, release or
// value, and status lines that become item values (kind 1, on every line, no comparison).
//
// Threads: commands are built and sent on the tick thread, the login, "RSMODE" and "PING" on the
// transport thread; both build in the one out-stream under the send lock. The link classes add
// only their Configure.
class CAbstractDomintellDevice : public CAbstractDevice
{
public:
    static constexpr int32_t kStreamSize = 128;

    CAbstractDomintellDevice();
    ~CAbstractDomintellDevice() override;

    bool Connect() override { return StandardConnect(); }
    void Disconnect() override { CloseTransport(); }
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool Release(uint16_t channel, CNerulanValue* value) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool Hold(uint16_t, uint32_t) override { return false; }
    bool SendBytes(const uint8_t*, uint32_t) override { return false; }
    bool Update() override;
    void OnConnected() override;
    void OnDisconnected() override;
    void OnReceive(const uint8_t* bytes, uint32_t length) override;
    // Feedback always goes out as item values, whatever the channel's report kind.
    bool ReadsReportKind() const override { return false; }

    bool IsPingSent() const { return m_pingSent.load(); }

protected:
    // Keeps the login text of the record (null or empty: none); called by the link's Configure.
    void SetLoginText(const char* text);
    // The local date and time the token is built from (a test may stand the clock still).
    virtual DomintellDate LocalDate() const;

private:
    bool SendCommand(uint16_t channel, uint8_t action, CNerulanValue* value, bool valueRequired);
    bool SendLine(const std::string& line);
    void OnLine(const std::string& line);
    void OnStatusLine(const std::string& line);

    CChannelList<CDomintellChannel> m_channels;
    CInStream m_in{CInStream::Refuse, kStreamSize};
    CDomintellLineReader m_lines{CDomintellCodec::kMaxLine};
    COutStream m_out{kStreamSize};
    CReportPoster m_poster{*this};
    std::atomic<bool> m_pingSent{false};
    std::string m_login;
};
