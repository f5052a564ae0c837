#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "devices/AbstractTransport.h"

// A serial port on termios: "COM n" is the file COMn in the current directory when it exists (a
// link to a device or a pseudo-terminal), else /dev/ttyS(n-1).
//
// The worker does all the port's reading and writing. Send only hands the bytes over (at most
// one block of kBufferSize waiting); the worker writes them after its current read, then drops
// whatever arrived during the write (the echo of a two-wire bus) and reads again. Reads wait at
// most 50 ms, and a block ends when the line stays quiet for the read interval.
class CSerialTransport : public CAbstractTransport
{
public:
    static constexpr uint32_t kBufferSize = 513;
    static constexpr int kReadWaitMs = 50;
    static constexpr uint32_t kWriteTimeoutMs = 1000;

    explicit CSerialTransport(CAbstractDevice* device);
    ~CSerialTransport() override;

    // host and port: ignored but the port number is the COM number; 7 or 8 data bits; parity
    // 'n', 'e' or 'o'; a baud rate termios knows. Anything else fails Open.
    bool Open(const char* host, uint16_t port, uint16_t localPort, uint32_t baud, uint8_t dataBits,
              char parity) override;
    bool Connect() override;
    void Close() override;
    // Fails without a link, above kBufferSize bytes, or while a write is still waiting.
    bool Send(const uint8_t* bytes, uint32_t length) override;
    // Busy while the previous block still waits for the worker.
    SendOutcome Offer(const uint8_t* bytes, uint32_t length) override;
    bool Poll() override;
    void SetDirection(bool read, bool write) override;
    // The quiet time that ends a read block: ms / 20, at least 1 ms (next Connect).
    void SetReadInterval(uint16_t ms) override;

    // The file the port was opened from (for tests and messages).
    std::string GetPortPath();

protected:
    bool Attempt() override;
    void TearDown(bool onWorker) override;

private:
    bool ReadBlock(bool& failed);
    bool WritePending();
    bool WaitWritable(uint32_t start);

    int m_port = -1;
    uint16_t m_number = 0;
    uint32_t m_baud = 0;
    uint8_t m_dataBits = 8;
    char m_parity = 'n';
    std::string m_path;
    uint8_t m_readBuffer[kBufferSize];
    uint8_t m_writeBuffer[kBufferSize];
    // Under the connected lock: the direction flags and the handed-over block.
    uint8_t m_readMode = 0;
    uint8_t m_writePending = 0;
    uint32_t m_pendingLength = 0;
    std::atomic<uint32_t> m_interval{1};
    uint32_t m_activeInterval = 1;
};
