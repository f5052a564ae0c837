#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/NerulanCriticalSection.h"
#include "devices/AbstractDevice.h"
#include "devices/ChannelList.h"
#include "devices/ReportPoster.h"
#include "devices/controllers/lutron/LutronChannel.h"
#include "devices/controllers/lutron/LutronCodec.h"
#include "devices/controllers/lutron/LutronMessageReader.h"

// A Lutron lighting system through its text integration interface: the login, the details of its
// devices, device monitoring, DEVICE commands for presses, releases and values, and the DEVICE
// reports that become item values and states.
//
// Threads: presses, releases and values are sent from the tick thread; the login, the details and
// device queries and all parsing happen on the transport thread. Every send goes through the send
// lock. The keypad table, the button groups and the details records are kept under their own
// lock (never held while sending).
class CAbstractLutronDevice : public CAbstractDevice
{
public:
    static constexpr int32_t kKeypadEntries = 16;

    struct KeypadEntry
    {
        uint32_t serial = 0;
        uint32_t channel = 0;
    };

    CAbstractLutronDevice();
    ~CAbstractLutronDevice() override;

    bool Connect() override;
    void Disconnect() override;
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool Release(uint16_t channel, CNerulanValue* value) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool Hold(uint16_t, uint32_t) override { return false; }
    // The bytes go out as they are; the result is false as for every raw send of this family.
    bool SendBytes(const uint8_t* bytes, uint32_t length) override;
    bool Update() override;
    void OnConnected() override;
    void OnDisconnected() override;
    void OnReceive(const uint8_t* bytes, uint32_t length) override;
    bool ReadsReportKind() const override { return false; }

    // Copies for inspection (any thread).
    std::vector<LutronDetails> GetDetails();
    std::array<KeypadEntry, kKeypadEntries> GetKeypadTable();

protected:
    // The login reply: the name and, when there is one, the password.
    std::string m_loginName;
    std::string m_password;
    bool m_hasPassword = false;

private:
    void OnMessage(const LutronMessage& message);
    void OnDetails(const LutronDetails& details);
    void KeepDetails(const LutronDetails& details);
    void OnMonitorDevice(uint32_t serial, uint8_t code, uint8_t second, int16_t parameter);
    void OnButton(CLutronChannel& channel, uint8_t code, uint32_t serial, uint8_t action);
    bool SendCommand(const CLutronChannel& channel, int32_t number, int32_t value);
    void SendText(const std::string& text);
    static int GroupOf(uint8_t code);

    CChannelList<CLutronChannel> m_channels;
    CReportPoster m_poster{*this};
    CLutronMessageReader m_reader;
    CNerulanCriticalSection m_tableLock;
    std::array<KeypadEntry, kKeypadEntries> m_keypads{};
    uint32_t m_groupChannels[3] = {0, 0, 0};
    std::vector<LutronDetails> m_records;
};
