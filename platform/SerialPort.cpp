#include "platform/SerialPort.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace platform
{
namespace
{
struct BaudEntry
{
    uint32_t baud;
    speed_t speed;
};

constexpr BaudEntry kBauds[] = {{50, B50},         {75, B75},         {110, B110},        {134, B134},
                                {150, B150},       {200, B200},       {300, B300},        {600, B600},
                                {1200, B1200},     {1800, B1800},     {2400, B2400},      {4800, B4800},
                                {9600, B9600},     {19200, B19200},   {38400, B38400},    {57600, B57600},
                                {115200, B115200}, {230400, B230400}, {460800, B460800},  {500000, B500000},
                                {576000, B576000}, {921600, B921600}, {1000000, B1000000}};

bool SpeedOf(uint32_t baud, speed_t& speed)
{
    for (const BaudEntry& entry : kBauds)
    {
        if (entry.baud == baud)
        {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}

// Unix 98 pseudo-terminal slaves have the majors 136 to 143.
bool IsPseudoTerminal(int fd)
{
    struct stat info
    {
    };
    if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode))
        return false;
    unsigned int kind = major(info.st_rdev);
    return kind >= 136 && kind <= 143;
}
} // namespace

std::string SerialPortPath(uint32_t number)
{
    std::string local = "COM" + std::to_string(number);
    // lstat: a link that leads nowhere is still this port (it then fails to open), never
    // another one.
    struct stat info
    {
    };
    if (lstat(local.c_str(), &info) == 0)
        return local;
    if (number == 0)
        return std::string();
    return "/dev/ttyS" + std::to_string(number - 1);
}

bool IsSupportedBaud(uint32_t baud)
{
    speed_t speed;
    return SpeedOf(baud, speed);
}

int OpenSerialPort(const std::string& path, uint32_t baud, uint8_t dataBits, char parity)
{
    speed_t speed;
    if (path.empty() || !SpeedOf(baud, speed) || (dataBits != 7 && dataBits != 8) ||
        (parity != 'n' && parity != 'e' && parity != 'o'))
        return -1;
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios settings{};
    if (!isatty(fd) || tcgetattr(fd, &settings) != 0)
    {
        close(fd);
        return -1;
    }
    cfmakeraw(&settings);
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    settings.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    // A pseudo-terminal refuses a change of parity alone and silently keeps 8 data bits and no
    // parity: asking for them there would fail the open for nothing.
    if (IsPseudoTerminal(fd))
        settings.c_cflag |= CS8;
    else
    {
        settings.c_cflag |= dataBits == 7 ? CS7 : CS8;
        if (parity != 'n')
        {
            settings.c_cflag |= PARENB | (parity == 'o' ? PARODD : 0);
            settings.c_iflag |= INPCK;
        }
    }
    // Reads never block: the caller waits with poll.
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &settings) != 0)
    {
        close(fd);
        return -1;
    }
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd, TIOCMBIS, &lines); // pseudo-terminals have no modem lines: the failure is harmless
    tcflush(fd, TCIOFLUSH);
    return fd;
}

void CloseSerialPort(int fd)
{
    if (fd >= 0)
        close(fd);
}

void DiscardSerialInput(int fd)
{
    if (fd >= 0)
        tcflush(fd, TCIFLUSH);
}
} // namespace platform
