#pragma once
#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "common/NerulanCriticalSection.h"
#include "devices/AbstractDevice.h"
#include "devices/ChannelList.h"
#include "devices/controllers/amx/AMXChannel.h"
#include "devices/controllers/amx/AMXCodec.h"
#include "devices/controllers/amx/AMXCommandHost.h"
#include "devices/controllers/amx/AMXCommandInterpreter.h"
#include "devices/controllers/amx/AMXPacketCodec.h"

class CAMXKeyGenerator;

// The panel as a device of an AMX master over TCP. After the link comes up the panel sends its
// identity; the master welcomes it at once or demands a login (an MD5 answer to its challenge, and
// from then on every message inside an enciphered envelope). Once welcomed the panel registers its
// ports, channels and levels and is online: pushes, releases, levels and strings go to the master;
// channel feedback, levels and panel commands come back, each acknowledged; the master's pings keep
// the link alive and 10 s of silence drops it, to be reopened 5 s later.
//
// Channels on port 0 never reach the master: the panel serves them itself (clock and date texts,
// the link state, the on-screen keyboard and its modes).
//
// Threads: presses, values and the keep-alive run on the tick thread; acknowledgements, ping
// replies and the login answer are sent from the transport thread. Every message is built,
// enciphered and sent under the send lock, which also guards the message-id counter, the two
// addresses and the cipher. The channel list grows at run time (list-box rows' channels, made by
// panel commands on the transport thread) and is read under its own lock.
class CAMXDevice : public CAbstractDevice, public CAMXCommandHost
{
public:
    enum Command : uint16_t
    {
        CmdAck = 0x0001,
        CmdChannelOn = 0x0006,
        CmdChannelOff = 0x0007,
        CmdLevel = 0x000A,
        CmdString = 0x000B,
        CmdCommand = 0x000C,
        CmdPush = 0x0084,
        CmdRelease = 0x0085,
        CmdLevelValue = 0x008A,
        CmdSendString = 0x008B,
        CmdSendCommand = 0x008C,
        CmdPortCount = 0x0090,
        CmdChannelCount = 0x0091,
        CmdLevelCount = 0x0092,
        CmdStringSize = 0x0093,
        CmdCommandSize = 0x0094,
        CmdLevelTypes = 0x0095,
        CmdDeviceInfo = 0x0097,
        CmdPing = 0x0501,
        CmdPingReply = 0x0581,
        CmdChallenge = 0x0701,
        CmdChallengeAnswer = 0x0702,
        CmdLoginResult = 0x0703,
    };
    static constexpr uint16_t kFlags = 0x0200;
    static constexpr uint16_t kDeviceInfoFlags = 0x0212;
    static constexpr uint16_t kWelcomeFlags = 0x0208;
    static constexpr uint32_t kReconnectDelay = 5000;
    static constexpr uint32_t kSilenceTimeout = 10000;
    // Channels made at run time take the ids 0x8000 + n; past this many no more are made, so their
    // ids never run into one another or into the loaded ones.
    static constexpr uint32_t kLocalIdBase = 0x8000;
    static constexpr int32_t kMaxLocalChannels = 4096;

    CAMXDevice();
    ~CAMXDevice() override;

    bool Connect() override;
    void Disconnect() override;
    bool Configure(DeviceParams* params) override;
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool Release(uint16_t channel, CNerulanValue* value) override;
    bool Hold(uint16_t channel, uint32_t elapsedMs) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool SendBytes(const uint8_t* bytes, uint32_t length) override;
    bool Update() override;
    void OnConnected() override;
    void OnDisconnected() override;
    void OnReceive(const uint8_t* bytes, uint32_t length) override;
    // Feedback goes by the channels' classes and kinds, never by their report kinds.
    bool ReadsReportKind() const override { return false; }

    // Runs a panel command of the master (or of a command channel on port 0).
    virtual void ExecuteCommand(uint16_t port, char* text);

    // What the command interpreter uses.
    int32_t FindChannelId(uint32_t address, uint8_t channelClass, uint8_t kind, uint16_t port) override;
    int32_t FindOrCreateLocalChannel(uint32_t channelNumber, uint16_t port) override;
    uint16_t GetDeviceId() const override { return GetId(); }
    void PostCommandEvent(const CDeviceEvent& event) override { PostEvent(event); }

    // The first channel in load order of this class whose kind, port and number match; null when
    // there is none. The channel lives as long as the device.
    CAMXChannel* FindChannel(uint32_t number, uint8_t channelClass, uint8_t kind, uint16_t port);
    size_t GetChannelCount();

    // Views for tests and diagnostics.
    AMXAddress GetSource();
    AMXAddress GetDestination();
    bool IsLoggedIn();
    int32_t GetKeyboardMode() const { return m_keyboardMode; }
    bool IsOneShotPending() const { return m_oneShot; }
    uint32_t GetLocalAddress() const { return m_localAddress.load(); }

protected:
    // The local date and time the clock channels show; a test gives a fixed one.
    virtual std::tm LocalTime() const;

private:
    // ---- Sending (any thread; each message whole under the send lock) ----------------------------
    // Builds the message with the next message id (or `messageId` when it answers one), envelopes
    // it when there is a cipher and `encrypt`, and sends it.
    bool SendMessage(uint16_t command, const std::vector<uint8_t>& payload, uint16_t flags = kFlags,
                     uint16_t messageId = 0, bool encrypt = true);
    // The payload start most messages share: the source's device, the given port, the system.
    std::vector<uint8_t> PortPayload(uint16_t port);
    void SendAck(uint16_t messageId);
    void SendPingReply(uint16_t messageId);
    void SendDeviceInfo();
    void RegisterOnline();
    bool SendChannel(uint16_t command, const CAMXChannel& channel);
    bool SendLevel(uint16_t port, uint16_t level, int32_t value);
    bool SendText(uint16_t command, uint16_t port, const std::string& text, bool trailingZero);
    void AnswerChallenge(const uint8_t* challenge, int32_t length);
    // Takes the master's system for both addresses and goes online.
    void Welcome(const AMXHeader& header, bool sendDeviceInfo);

    // ---- Receiving (transport thread) -----------------------------------------------------------
    void OnFrame(const uint8_t* frame, int32_t length);
    void OnMessage(const uint8_t* message, int32_t length);
    void OnChannel(const uint8_t* payload, int32_t length, float value);
    void OnLevel(const uint8_t* payload, int32_t length);
    void OnCommand(const AMXHeader& header, const uint8_t* payload, int32_t length);

    void ClearFeedback();
    void PostValue(uint32_t channel, uint8_t kind, float value);
    uint32_t ReadLocalAddress();

    // ---- Port-0 channels (tick thread) ------------------------------------------------------------
    void UpdateVirtualChannels();
    void UpdateClockChannel(CAMXChannel& channel, const std::tm& now);
    void RunLocalAction(const CAMXChannel& channel);
    void RunKeyboardKey(const CAMXChannel& channel);
    void SetKeyboardMode(int32_t mode);
    void BeginOneShot();
    void EndOneShot();

    // Identity and login material (set by Configure).
    std::string m_userName;
    std::string m_password;
    AMXDeviceInfo m_panelInfo;
    AMXDeviceInfo m_sensorInfo;

    // Under the send lock: the addresses, the message-id counter and the cipher.
    AMXAddress m_destination;
    AMXAddress m_source;
    uint16_t m_messageId = 0;
    std::unique_ptr<CAMXKeyGenerator> m_keyDigest;
    std::unique_ptr<CAMXKeyGenerator> m_answerDigest;
    std::unique_ptr<CAMXPacketCodec> m_cipher;

    // Transport thread: the received bytes and the frames in them.
    CAMXCodec m_codec;
    CFrameScanner m_scanner{m_codec};
    CInStream m_in{CInStream::Grow, 4096};
    std::vector<uint8_t> m_envelope;

    std::atomic<uint32_t> m_localAddress{0};
    uint16_t m_highestPort = 0;
    uint32_t m_highestLevel = 0;
    uint32_t m_highestChannel = 0;

    CNerulanCriticalSection m_channelLock;
    CChannelList<CAMXChannel> m_channels;
    int32_t m_localChannels = 0;

    std::atomic<uint32_t> m_dropTime{0};
    std::atomic<uint32_t> m_lastReceive{0};

    // The on-screen keyboard (tick thread only).
    int32_t m_postedMode = -1;
    int32_t m_keyboardMode = 0;
    bool m_oneShot = false;
    int32_t m_savedMode = 0;

    // Turns the master's panel commands into events; it reaches this device only as its host.
    CAMXCommandInterpreter m_interpreter{*this};
};
