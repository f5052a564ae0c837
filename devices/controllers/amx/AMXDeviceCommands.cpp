// Panel commands from the master and from command channels on port 0.
#include "devices/controllers/amx/AMXDevice.h"

void CAMXDevice::ExecuteCommand(uint16_t port, char* text) { m_interpreter.Execute(port, text); }
