#pragma once
#include <cstdint>
#include <string>

#include "app/ClientDlg.h"

// Runs an interface file the way the program starts it, with no screen: the header, the device
// table, every resource record through the real loader, then a few ticks that draw the first page.
// SDL's dummy video driver stands in for the display. Nothing leaves the process: a password is
// taken as given (so that the rest of the file is read), and devices are made and configured but
// never connected. Used by the fuzz target of the interface file and the regression inputs' test.
class CHeadlessInterface : public CClientDlg
{
public:
    enum class Outcome
    {
        Refused, // a start-up failure: GetErrorText() tells which
        Loaded,  // every record read (the loader may have stopped early at a damaged one)
        Stopped, // still loading after maxRecords records
    };

    CHeadlessInterface() : CClientDlg(nullptr, nullptr) {}

    // Sets the environment for SDL's dummy drivers and the silent sound library, and starts SDL's
    // video once for the process. False when SDL cannot start.
    static bool StartSdl();

    // The whole start-up and loading of the file at path, then `ticks` ticks; then, when tapGrid
    // is above 0, a tap (press, tick, release, tick) at the centre of each cell of a tapGrid x
    // tapGrid grid over the screen, as a user trying every button would: damage in a page or
    // popup that is not on screen at first shows only when a tap brings it up. Everything is
    // shut down before it returns.
    Outcome Run(const char* path, int32_t maxRecords = 1000000, int32_t ticks = 2, int32_t tapGrid = 0);
    const std::u16string& LastError() const { return m_lastError; }

protected:
    void RunPasswordRequest(uint32_t expectedCrc) override;
    void ConnectDevices() override {}
    void UpdateDevices() override {}

private:
    void TapAcross(int32_t grid);

    std::u16string m_lastError;
};
