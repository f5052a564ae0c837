#pragma once
#include <cstdint>

#include "devices/DeviceEvent.h"
#include "devices/controllers/amx/AMXCommandHost.h"

// Turns one panel command of the AMX master ("^TXT-5,0,Hello", "@PPN-Menu;Main", ...) into at
// most one device event, posted through the host into the device's ring; the tick thread applies
// it to the interface later. Commands are recognised by FindCommandKeyword; those the panel does
// not act on, and texts that match no keyword, post nothing.
//
// Items are named by text-address channels (class 0, kind 1) of the command's port: a command
// whose address names none posts nothing and frees what it had read. Page, popup and dynamic-image
// commands post channel 0. Texts and objects in the event are new heap blocks owned by it.
//
// Runs on the transport thread (commands from the master) and on the tick thread (local command
// channels); it keeps no state of its own, and the host serialises its channel list.
class CAMXCommandInterpreter
{
public:
    explicit CAMXCommandInterpreter(CAMXCommandHost& host);

    // Interprets the NUL-terminated text received on the port. The text may be changed in place
    // (the old text commands turn every "|" into a line feed). A null text does nothing.
    void Execute(uint16_t port, char* text);

private:
    // Channel classes and kinds the commands look up.
    static constexpr uint8_t kTextAddressClass = 0;
    static constexpr uint8_t kTextAddressKind = 1;

    // Argument reading; the cursor is just behind what was read before.
    // The next run of decimal digits (no sign), 0 at the end of the text.
    static int32_t Number(char*& cursor);
    // Passes over exactly one character, never the end of the text.
    static void Skip(char*& cursor);
    // A state number followed by nothing: as carried in the event, state - 1 (0 means every
    // state, -1, which travels as the word 0xFFFFFFFF).
    static uintptr_t StateWord(int32_t state);

    // The id of the text-address channel named by the next number on the port, or -1.
    int32_t Address(char*& cursor, uint16_t port);

    // Families of commands; each returns once it has posted its event or decided to post none.
    void ExecutePageCommand(int32_t keyword, char* cursor);
    void ExecuteResourceCommand(int32_t keyword, char* cursor);
    void ExecuteItemCommand(int32_t keyword, uint16_t port, char* cursor);
    void ExecuteItemTextCommand(int32_t keyword, uint16_t port, char* cursor);
    void ExecuteOldTextCommand(int32_t keyword, uint16_t port, char* cursor);
    void ExecuteListCommand(int32_t keyword, uint16_t port, char* cursor);
    void ExecuteListRowCommand(int32_t keyword, int32_t channel, char* cursor);
    void ExecuteListChannelCommand(int32_t channel, char* cursor);

    void Post(const CDeviceEvent& event);

    CAMXCommandHost& m_host;
};
