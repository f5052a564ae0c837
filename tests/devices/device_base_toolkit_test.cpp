// The device base's shared parts for drivers: the direct connect, the send lock and the
// transport's lifetime.
#include "support/ToolkitTestDevice.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
using toolkit_test::CClockDevice;
using toolkit_test::CRecordingTransport;

// Counts the connects it is asked to run on the caller's thread.
class CCountingTransport : public CRecordingTransport
{
public:
    using CRecordingTransport::CRecordingTransport;
    int directConnects = 0;
    bool lockHeldDuringSend = false;
    bool Connect() override
    {
        ++directConnects;
        return true;
    }
    bool Send(const uint8_t* bytes, uint32_t length) override
    {
        // Another thread must find the send lock taken while a message goes out.
        bool other = true;
        std::thread probe(
            [&]
            {
                CNerulanCriticalSection* lock = m_device->SendLock();
                other = lock->TryEnter();
                if (other)
                    lock->Leave();
            });
        probe.join();
        lockHeldDuringSend = !other;
        return CRecordingTransport::Send(bytes, length);
    }
};

class CCountingDevice : public CClockDevice
{
public:
    CCountingDevice()
    {
        DeleteTransport();
        counting = new CCountingTransport(this);
        m_transport = counting;
        transport = counting;
    }
    CCountingTransport* counting;
};

TEST(DeviceBaseToolkit, DirectConnectCallsTheTransportAtOnce)
{
    CCountingDevice device;
    device.SetDeviceTime(5000);
    EXPECT_TRUE(device.DirectConnect());
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateConnecting);
    EXPECT_EQ(device.counting->directConnects, 1);

    CAbstractDevice bare;
    EXPECT_FALSE(bare.DirectConnect());
}

TEST(DeviceBaseToolkit, SendToTransportHoldsTheSendLock)
{
    CCountingDevice device;
    const uint8_t bytes[] = {1, 2};
    EXPECT_TRUE(device.SendToTransport(bytes, 2));
    EXPECT_TRUE(device.counting->lockHeldDuringSend);
    ASSERT_EQ(device.counting->sent.size(), 1u);
    device.counting->failSends = true;
    EXPECT_FALSE(device.SendToTransport(bytes, 2));
}

TEST(DeviceBaseToolkit, CloseAndDeleteTheTransport)
{
    CClockDevice device;
    device.transport->SetConnected(true);
    device.CloseTransport();
    EXPECT_EQ(device.transport->closes, 1);
    EXPECT_EQ(device.disconnects, 1);
    device.DeleteTransport();
    EXPECT_EQ(device.GetTransport(), nullptr);
    device.CloseTransport(); // nothing left to close
    const uint8_t byte = 0;
    EXPECT_FALSE(device.SendToTransport(&byte, 1));
}

TEST(DeviceBaseToolkit, ADriverThatDoesNotReadTheReportKindAcceptsEveryKind)
{
    class CKindBlind : public CAbstractDevice
    {
    public:
        bool ReadsReportKind() const override { return false; }
    };
    CAbstractDevice reads;
    CKindBlind blind;
    for (uint8_t kind : {EventShowPage, EventSetItemText, EventAddDynamicImage, EventEditBoxInsertText})
    {
        EXPECT_FALSE(reads.AcceptsReportKind(kind)) << int(kind);
        EXPECT_TRUE(blind.AcceptsReportKind(kind)) << int(kind);
    }
    EXPECT_TRUE(reads.AcceptsReportKind(EventSetItemValue));
}
} // namespace
