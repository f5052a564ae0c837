#pragma once
#include "devices/controllers/axico/AbstractAxicoDevice.h"

// The Axico interface on a serial line (device type 0x13): "T\r" on connect, then the interface
// greets ("AC102\r", answered "M\r") and asks for the mode ("E\r", answered "O\rRC8\r"); "O\r" or
// the first status frame makes the device online. "C\r" goes before the line is closed.
class CAxicoSerialDevice : public CAbstractAxicoDevice
{
public:
    ~CAxicoSerialDevice() override;
    bool Configure(DeviceParams* params) override;
    // Sends "C\r"; the line closes at an Update once the text has had time to leave.
    void Disconnect() override;

protected:
    void OnMessage(const AxicoMessage& message) override;
    void OnLinkUp() override;
};
