#pragma once
#include <atomic>
#include <cstdint>

#include "common/NerulanCriticalSection.h"
#include "devices/DeviceEvent.h"

class CAbstractTransport;
class CDeviceEventSink;
class CVector;
class CNerulanValue;
struct DeviceParams;

// The base of every device driver: its transport, the connection cycle, the one-shot timer, and
// the ring of events through which a driver hands changes to the interface from any thread.
//
// Device time is the process clock minus the moment of construction; every comparison of times
// is unsigned 32-bit arithmetic, so a device keeps working when the clock wraps.
class CAbstractDevice
{
public:
    enum ConnectionState : uint8_t
    {
        StateIdle = 0,
        StateConnecting = 1,
        StateOnline = 2,
    };

    static constexpr uint32_t kReconnectWait = 20000;
    static constexpr uint32_t kLinkLostGrace = 20000;
    static constexpr int32_t kRingStep = 64;

    CAbstractDevice();
    // Dispatches what is still in the ring (its payloads are freed), then frees the ring.
    virtual ~CAbstractDevice();
    CAbstractDevice(const CAbstractDevice&) = delete;
    CAbstractDevice& operator=(const CAbstractDevice&) = delete;

    virtual int GetKind() { return -1; }
    virtual bool Connect() { return false; }
    virtual void Disconnect() {}
    virtual bool Configure(DeviceParams* params)
    {
        (void)params;
        return false;
    }
    virtual bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                            uint32_t blobLength, const uint8_t* blob);
    virtual bool Press(uint16_t channel, CNerulanValue* value);
    virtual bool Release(uint16_t channel, CNerulanValue* value);
    virtual bool Hold(uint16_t channel, uint32_t elapsedMs);
    virtual bool SetValue(uint16_t channel, CNerulanValue* value);
    virtual bool SendBytes(const uint8_t* bytes, uint32_t length);
    virtual bool Update() { return false; }
    virtual void BeginChannels() {}
    virtual void EndChannels() {}
    virtual void SetTimerPeriod(uint32_t ms) { m_timerPeriod = ms; }
    virtual void StartTimer();
    virtual void StopTimer() { m_timerArmed = 0; }
    virtual void CheckTimer();
    virtual void OnTimer() {}
    virtual void OnConnected() {}
    virtual void OnDisconnected() {}
    virtual void OnReceive(const uint8_t* bytes, uint32_t length);

    // Any thread: appends a copy of the record; the ring grows, it never drops a record. The
    // payloads the record owns pass to the ring.
    void PostEvent(const CDeviceEvent& event);
    // Tick thread: drains the ring into the interface; true when at least one record was taken.
    bool DispatchEvents();

    // The usual shapes of the connection cycle that drivers build on.
    bool StandardUpdate();
    bool StandardConnect();
    bool ConnectWithoutTimeStamp();
    // The direct form (drivers whose Connect opens the link at once): time stamp, connecting, and
    // the transport's Connect called now. That Connect only starts the attempt on the transport's
    // worker, so a connect that waits for its peer never runs on the tick thread. The result
    // says whether the attempt was started.
    bool DirectConnect();
    void StandardOnConnected() { m_state = StateOnline; }
    void StandardOnDisconnected() { m_state = StateIdle; }

    // Shared Configure forms: create the transport for this device, store it (also when Open
    // fails), and Open it with the endpoint of the parameters. TCP needs a host and a port; UDP
    // without a host sends to 255.255.255.255; serial takes the COM port, baud, data bits and
    // parity and sets the read interval. The result is Open's.
    //
    //     bool CMyTcpDevice::Configure(DeviceParams* params)
    //     {
    //         m_pollPeriod = params->value;       // the family fields first
    //         return OpenTcpTransport(params);
    //     }
    //
    // A driver's destructor calls DeleteTransport() first: the transport's thread stops before
    // anything it may call into goes.
    bool OpenTcpTransport(const DeviceParams* params);
    bool OpenUdpTransport(const DeviceParams* params, uint16_t localPort = 0);
    bool OpenSerialTransport(const DeviceParams* params);
    // The shared Disconnect: closes the link when there is a transport.
    void CloseTransport();
    // Stops and deletes the transport (its thread ends first); the device keeps none.
    void DeleteTransport();

    // The per-device send lock. Every path that builds a message in a shared output stream and
    // sends or queues it holds it throughout, since the tick thread (presses, polls, the pump) and
    // the transport thread (answers from OnReceive) both send:
    //
    //     CCriticalSectionGuard guard(SendLock());
    //     m_out.Reset(); ...build...; SendToTransport(m_out.Data(), m_out.Length());
    //
    // The lock is recursive; hold no other lock of the driver while taking it.
    CNerulanCriticalSection* SendLock() { return &m_sendLock; }
    // Sends through the transport under the send lock; false without a transport or when the
    // transport refuses.
    bool SendToTransport(const uint8_t* bytes, uint32_t length);
    // As SendToTransport, telling a busy transport from a refusal (CAbstractTransport::Offer);
    // refused without a transport.
    uint8_t OfferToTransport(const uint8_t* bytes, uint32_t length);

    // Whether the driver posts a channel's report kind as it stands. Drivers that never read the
    // report kind answer false, and the loader then keeps every channel whatever its kind.
    virtual bool ReadsReportKind() const { return true; }

    // Milliseconds since this device was constructed. Virtual so that a test can hold the
    // device's clock still while a pump or a timer reads it more than once.
    virtual uint32_t Now() const;

    uint16_t GetId() const { return m_id; }
    void SetId(uint16_t id) { m_id = id; }
    CDeviceEventSink* GetDialogSystem() const { return m_dialogSystem; }
    void SetDialogSystem(CDeviceEventSink* system) { m_dialogSystem = system; }
    uint8_t GetState() const { return m_state.load(); }
    void SetState(uint8_t state) { m_state = state; }
    CAbstractTransport* GetTransport() const { return m_transport; }
    // Whether a channel may post this report kind: a kind that carries a text or an object is
    // refused unless the driver said it supplies one (SupplyPayloadFor), since a driver that
    // posts a channel's report kind with a plain number would hand the interface a number where
    // it expects a pointer. Every kind is accepted by a driver that does not read it.
    bool AcceptsReportKind(uint8_t kind) const;
    int32_t GetRingCapacity();
    int32_t GetRingCount();
    bool IsTimerArmed() const { return m_timerArmed != 0; }

protected:
    // Carries out one record on the interface (the device id already combined into the address).
    virtual void DispatchEvent(const CDeviceEvent& event, uint32_t address);
    // The list-box and edit-box kinds (32 to 58) of DispatchEvent.
    void DispatchWidgetEvent(const CDeviceEvent& event, uint32_t address);
    // Drivers that build texts or objects for a report kind declare it (in their constructor).
    void SupplyPayloadFor(uint8_t kind) { m_payloadKinds[kind >> 6] |= uint64_t{1} << (kind & 63); }

    CAbstractTransport* m_transport = nullptr;
    // Written by the transport thread and the tick thread: each field is one word written whole.
    std::atomic<uint8_t> m_state{StateIdle};
    std::atomic<uint32_t> m_lastAttempt{0};
    uint32_t m_reconnectWait = kReconnectWait;
    std::atomic<uint32_t> m_linkLostTime{0};
    uint32_t m_linkLostGrace = kLinkLostGrace;
    CDeviceEventSink* m_dialogSystem = nullptr;
    uint32_t m_created;
    uint16_t m_id = 0;

private:
    CNerulanCriticalSection m_sendLock;
    uint64_t m_payloadKinds[4] = {0, 0, 0, 0};
    CNerulanCriticalSection m_ringLock;
    int32_t m_writeIndex = 0;
    int32_t m_readIndex = 0;
    int32_t m_count = 0;
    int32_t m_capacity = kRingStep;
    CDeviceEvent* m_records;

protected:
    std::atomic<uint8_t> m_timerArmed{0};
    std::atomic<uint32_t> m_timerPeriod{0};
    std::atomic<uint32_t> m_timerStart{0};
};

// The devices of the interface file's table, in table order (owned by the main window). Published
// once the table is read, so that items and their command sequences find devices by id; null
// before that and after the stop order.
extern CVector* g_pDeviceList;

// The first device of the list, in table order, whose id is the address's high 16 bits; null when
// there is none or no list yet.
CAbstractDevice* FindDevice(uint32_t address);
