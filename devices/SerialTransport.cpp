#include "devices/SerialTransport.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "devices/AbstractDevice.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

CSerialTransport::CSerialTransport(CAbstractDevice* device) : CAbstractTransport(device) {}

CSerialTransport::~CSerialTransport()
{
    Close();
    StopWorker();
    platform::CloseSerialPort(m_port);
    m_port = -1;
}

bool CSerialTransport::Open(const char*, uint16_t port, uint16_t, uint32_t baud, uint8_t dataBits,
                            char parity)
{
    if ((dataBits != 7 && dataBits != 8) || (parity != 'n' && parity != 'e' && parity != 'o') ||
        !platform::IsSupportedBaud(baud))
        return false;
    {
        CCriticalSectionGuard guard(&m_connectedLock);
        m_number = port;
        m_baud = baud;
        m_dataBits = dataBits;
        m_parity = parity;
    }
    return StartWorker();
}

bool CSerialTransport::Connect()
{
    return RequestConnect();
}

void CSerialTransport::Close()
{
    EndLink();
}

void CSerialTransport::SetReadInterval(uint16_t ms)
{
    uint32_t interval = ms / 20u;
    m_interval = interval ? interval : 1;
}

std::string CSerialTransport::GetPortPath()
{
    CCriticalSectionGuard guard(&m_connectedLock);
    return m_path;
}

bool CSerialTransport::Attempt()
{
    uint32_t serial;
    uint32_t baud;
    uint8_t dataBits;
    char parity;
    uint16_t number;
    {
        CCriticalSectionGuard guard(&m_connectedLock);
        serial = m_closeSerial;
        baud = m_baud;
        dataBits = m_dataBits;
        parity = m_parity;
        number = m_number;
    }
    // The name is looked up at every attempt, so a port that appears later is found.
    std::string path = platform::SerialPortPath(number);
    int fd = platform::OpenSerialPort(path, baud, dataBits, parity);
    {
        CCriticalSectionGuard guard(&m_connectedLock);
        m_port = fd;
        m_path = path;
    }
    if (fd < 0)
    {
        FailAttempt(serial);
        return false;
    }
    m_activeInterval = m_interval;
    SetDirection(true, false);
    return CompleteAttempt(serial);
}

void CSerialTransport::TearDown(bool onWorker)
{
    // A pending write is dropped with the link.
    m_readMode = 0;
    m_writePending = 0;
    m_pendingLength = 0;
    if (onWorker && m_port >= 0)
    {
        platform::CloseSerialPort(m_port);
        m_port = -1;
    }
}

void CSerialTransport::SetDirection(bool read, bool write)
{
    CCriticalSectionGuard guard(&m_connectedLock);
    if (read && write)
        return;
    if (read)
    {
        if (OnWorkerThread())
            platform::DiscardSerialInput(m_port);
        m_readMode = 1;
        m_writePending = 0;
        return;
    }
    m_readMode = 0;
    m_writePending = write ? 1 : 0;
}

bool CSerialTransport::Send(const uint8_t* bytes, uint32_t length)
{
    return Offer(bytes, length) == SendTaken;
}

CAbstractTransport::SendOutcome CSerialTransport::Offer(const uint8_t* bytes, uint32_t length)
{
    if ((!bytes && length) || length > kBufferSize)
        return SendRefused;
    CCriticalSectionGuard guard(&m_connectedLock);
    if (GetLinkState() != LinkConnected || !m_connected)
        return SendRefused;
    // The one write buffer is handed over only once the worker has written the last block.
    if (m_writePending)
        return SendBusy;
    if (length)
        std::memcpy(m_writeBuffer, bytes, length);
    m_pendingLength = length;
    m_readMode = 0;
    m_writePending = 1;
    return SendTaken;
}

bool CSerialTransport::Poll()
{
    bool readMode;
    bool writePending;
    {
        CCriticalSectionGuard guard(&m_connectedLock);
        readMode = m_readMode != 0;
        writePending = m_writePending != 0;
    }
    if (readMode)
    {
        bool failed = false;
        ReadBlock(failed);
        if (failed)
            return false;
    }
    else if (!writePending)
        platform::SleepMs(kReadWaitMs);
    if (writePending && !WritePending())
        return false;
    return true;
}

bool CSerialTransport::ReadBlock(bool& failed)
{
    // Waits up to the read time-out for the first byte, then reads on until the line has been
    // quiet for the interval, the buffer is full or the time-out has passed.
    const uint32_t start = platform::ClockMs();
    uint32_t length = 0;
    int wait = kReadWaitMs;
    while (length < kBufferSize)
    {
        pollfd entry{m_port, POLLIN, 0};
        int ready = poll(&entry, 1, wait);
        if (ready < 0 && errno != EINTR)
        {
            failed = true;
            return false;
        }
        if (ready <= 0)
            break;
        ssize_t count = read(m_port, m_readBuffer + length, kBufferSize - length);
        if (count < 0 && errno != EAGAIN && errno != EINTR)
        {
            failed = true;
            break;
        }
        if (count == 0 && (entry.revents & POLLHUP))
        {
            failed = true;
            break;
        }
        if (count > 0)
            length += static_cast<uint32_t>(count);
        uint32_t elapsed = platform::ElapsedMs(platform::ClockMs(), start);
        if (elapsed >= static_cast<uint32_t>(kReadWaitMs))
            break;
        wait = static_cast<int>(length ? m_activeInterval : kReadWaitMs - elapsed);
    }
    if (length && IsConnected() && m_device)
        m_device->OnReceive(m_readBuffer, length);
    return length != 0;
}

bool CSerialTransport::WaitWritable(uint32_t start)
{
    uint32_t elapsed = platform::ElapsedMs(platform::ClockMs(), start);
    if (elapsed >= kWriteTimeoutMs)
        return false;
    pollfd entry{m_port, POLLOUT, 0};
    int ready = poll(&entry, 1, static_cast<int>(kWriteTimeoutMs - elapsed));
    return ready > 0 && !(entry.revents & (POLLERR | POLLHUP | POLLNVAL));
}

bool CSerialTransport::WritePending()
{
    uint32_t length;
    {
        CCriticalSectionGuard guard(&m_connectedLock);
        length = m_pendingLength;
    }
    // Send does not touch the block while a write is pending, so it is read without the lock.
    const uint32_t start = platform::ClockMs();
    uint32_t written = 0;
    while (written < length)
    {
        ssize_t count = write(m_port, m_writeBuffer + written, length - written);
        if (count > 0)
        {
            written += static_cast<uint32_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN && WaitWritable(start))
            continue;
        return false;
    }
    tcdrain(m_port);
    SetDirection(true, false);
    return true;
}
