// Panel commands from the master and from command channels on port 0.
#include "devices/controllers/amx/AMXDevice.h"

void CAMXDevice::ExecuteCommand(uint16_t port, char* text)
{
    // The panel-command interpreter takes over here.
    (void)port;
    (void)text;
}
