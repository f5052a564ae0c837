#pragma once
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

// The libmodbus server (modbus-test-server, built beside the tests) run as a child process: over
// TCP on 127.0.0.1 with a port the system picks, or as RTU on one end of a socat pty pair whose
// other end is the link `COMn` in a folder, where the panel's serial transport looks for it.
// Only the processes it started are signalled, by their own ids; they also end with the test.
//
//   ModbusServerPeer server;
//   ASSERT_TRUE(server.StartTcp({"--silent-unit", "9"}));   // server.Port()
//   ASSERT_TRUE(server.StartRtu(folder.Path(), 4, 7, {}));  // folder/COM4, unit 7, 19200 8N1
class ModbusServerPeer
{
public:
    ModbusServerPeer() = default;
    ~ModbusServerPeer();
    ModbusServerPeer(const ModbusServerPeer&) = delete;
    ModbusServerPeer& operator=(const ModbusServerPeer&) = delete;

    bool StartTcp(const std::vector<std::string>& options);
    bool StartRtu(const std::string& folder, uint32_t comNumber, uint8_t unit,
                  const std::vector<std::string>& options, uint32_t baud = 19200);
    void Stop();

    uint16_t Port() const { return m_port; }
    // The path of the panel's end of the pty pair (folder/COMn).
    const std::string& PanelPort() const { return m_panelPort; }
    // What the server wrote (its frames with --debug).
    std::string Log() const;

private:
    static pid_t Spawn(const std::vector<std::string>& arguments, const std::string& outFile);
    // Waits for a line starting with prefix in the server's output; the rest of that line.
    bool WaitOutput(const std::string& prefix, std::string& rest, uint32_t ms) const;
    static void End(pid_t& pid);

    std::string m_folder;
    pid_t m_server = -1;
    pid_t m_socat = -1;
    uint16_t m_port = 0;
    std::string m_panelPort;
};
