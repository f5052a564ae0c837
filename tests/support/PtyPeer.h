#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PeerLog.h"

// A pseudo-terminal pair standing in for a serial device: the panel opens the slave side
// through the link `COMn` in a folder (the serial transport looks for COMn in the current
// directory), the peer holds the master side, records what the panel writes and writes back.
// A pty has no baud timing and keeps no parity (it forces 8 data bits, no parity); the speed the
// panel set can be read back from SlavePath() (stty -F).
//
//   TempFolder folder;
//   PtyPeer peer(folder.Path(), 3);                 // folder/COM3 -> /dev/pts/N
//   chdir(folder.Path().c_str());                   // the panel looks in the current directory
//   transport.Open(nullptr, 3, 0, 19200, 8, 'n');
//   transport.Connect();  ...  transport.Send(bytes, n);
//   ASSERT_TRUE(peer.WaitBytes(n, 10000));           // peer.Bytes(), peer.Chunks()
//   peer.Send(PeerText("OK\r"));                        // reaches the device's OnReceive
//   peer.Unplug();                                  // COM3 leads nowhere: opens fail
//   peer.Hangup();                                  // closes the master: the open port fails
class PtyPeer : public PeerLog
{
public:
    PtyPeer(const std::string& folder, uint32_t number);
    ~PtyPeer() override;

    bool Ok() const { return m_master >= 0 && !m_slavePath.empty(); }
    const std::string& SlavePath() const { return m_slavePath; }
    const std::string& LinkPath() const { return m_linkPath; }

    bool Send(const std::vector<uint8_t>& bytes);
    // true: the peer reads nothing more; false: reading again.
    void SetStalled(bool stalled) { m_stalled = stalled; }
    // The link leads to a missing file, so the port cannot be opened; Plug restores it.
    void Unplug();
    void Plug();
    // Closes the master side for good: the panel's open port reports a hang-up.
    void Hangup();

private:
    void Run();

    std::mutex m_lock; // the master descriptor
    int m_master = -1;
    // Held open so that the slave keeps its settings and the master never reads a hang-up while
    // the panel has the port closed.
    int m_slaveHold = -1;
    std::string m_slavePath;
    std::string m_linkPath;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_stalled{false};
    std::thread m_thread;
};
