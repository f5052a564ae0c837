#pragma once
#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The link-fault soak's peer (scripts/chaos-peer.py) as a child process: it listens on one
// loopback port per device (or holds a pseudo-terminal as COMn for a serial one) and misbehaves
// on it; at the end it tells what it did to each.
class CChaosPeer
{
public:
    // What the peer did to one device: its counters ("accepts", "refusal_windows", "datagrams",
    // "sources", "opens" and "hangups" of a serial port, the behaviours drawn ...) and the windows (ms of the
    // steady clock) in which it read nothing from a connection of the device.
    struct DeviceReport
    {
        std::map<std::string, uint64_t> counters;
        std::vector<std::pair<double, double>> stalls;
        uint64_t Counter(const std::string& key) const
        {
            auto found = counters.find(key);
            return found == counters.end() ? 0 : found->second;
        }
    };

    CChaosPeer() = default;
    ~CChaosPeer();
    CChaosPeer(const CChaosPeer&) = delete;
    CChaosPeer& operator=(const CChaosPeer&) = delete;

    // Starts python3 with the script, the seed, the folder for the serial devices' COMn links and
    // one "NAME:LINK:FRAMES:SKIP" per device, and waits (up to 10 s) for every device's port.
    // False, with Error(), when it did not come up.
    bool Start(const std::string& script, uint32_t seed, const std::string& comFolder,
               const std::vector<std::string>& devices);
    // The port of a device (the COM number of a serial one); 0 when the peer did not name it.
    uint16_t Port(const std::string& name) const;
    // Asks the peer to stop and reads its reports (waits up to 10 s); false when it did not answer.
    bool Stop();
    const DeviceReport* Report(const std::string& name) const;
    const std::string& Error() const { return m_error; }

private:
    // One line of the peer's output without its end; false after timeoutMs or at its end.
    bool ReadLine(std::string& line, int timeoutMs);
    void Reap();

    pid_t m_pid = -1;
    int m_toPeer = -1;
    int m_fromPeer = -1;
    std::string m_buffered;
    std::map<std::string, uint16_t> m_ports;
    std::map<std::string, DeviceReport> m_reports;
    std::string m_error;
};
