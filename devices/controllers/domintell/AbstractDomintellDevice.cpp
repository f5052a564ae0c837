#include "devices/controllers/domintell/AbstractDomintellDevice.h"

#include <ctime>
#include <vector>

#include "common/NerulanValue.h"
#include "devices/DeviceEvent.h"

namespace
{
constexpr const char* kSessionOpened = "INFO:Session opened:INFO";
constexpr const char* kSessionClosed = "INFO:Session closed:INFO";
constexpr int32_t kShortestStatus = 11;

bool Begins(const std::string& line, const char* prefix)
{
    return line.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}
} // namespace

CAbstractDomintellDevice::CAbstractDomintellDevice() = default;

CAbstractDomintellDevice::~CAbstractDomintellDevice()
{
    // The transport's thread stops before the streams and channels it uses go.
    DeleteTransport();
}

void CAbstractDomintellDevice::SetLoginText(const char* text)
{
    m_login = text ? text : "";
}

DomintellDate CAbstractDomintellDevice::LocalDate() const
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    DomintellDate date;
    date.year = local.tm_year + 1900;
    date.month = local.tm_mon + 1;
    date.day = local.tm_mday;
    date.hour = local.tm_hour;
    date.minute = local.tm_min;
    return date;
}

bool CAbstractDomintellDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind,
                                          uint8_t direction, uint32_t blobLength, const uint8_t* blob)
{
    m_channels.AddLoaded(id, valueType, reportKind, direction, blobLength, blob);
    return true;
}

bool CAbstractDomintellDevice::Press(uint16_t channel, CNerulanValue* value)
{
    return SendCommand(channel, ActionPress, value, false);
}

bool CAbstractDomintellDevice::Release(uint16_t channel, CNerulanValue* value)
{
    return SendCommand(channel, ActionRelease, value, false);
}

bool CAbstractDomintellDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    // A value is sent by the channels that releases send too.
    return SendCommand(channel, ActionRelease, value, true);
}

bool CAbstractDomintellDevice::SendCommand(uint16_t channel, uint8_t action, CNerulanValue* value,
                                           bool valueRequired)
{
    const CDomintellChannel* c = m_channels.Find(channel);
    if (!c || !c->IsSentBy(action) || (valueRequired && !value))
        return false;
    int32_t v = value ? value->GetInt() : c->m_initialValue;
    if (c->GetValueType() == ValueBool)
        v = v != 0 ? 1 : 0;
    std::string line;
    if (!CDomintellCodec::CommandLine(line, c->m_moduleType, c->m_serial, c->m_io, c->m_subKind, v))
        return false;
    return SendLine(line);
}

bool CAbstractDomintellDevice::SendLine(const std::string& line)
{
    // The tick thread and the transport thread both build lines here.
    CCriticalSectionGuard guard(SendLock());
    m_out.Reset();
    m_out.PutBytes(line.data(), static_cast<uint32_t>(line.size()));
    return SendToTransport(m_out.Data(), m_out.Length());
}

bool CAbstractDomintellDevice::Update()
{
    return StandardUpdate();
}

void CAbstractDomintellDevice::OnConnected()
{
    // A new link starts with nothing of the old one's lines.
    m_in.Reset();
    m_lines.Reset();
    m_pingSent = false;
    SendLine(CDomintellCodec::LoginLine(m_login.c_str(), LocalDate()));
}

void CAbstractDomintellDevice::OnDisconnected()
{
    m_state = StateIdle;
}

void CAbstractDomintellDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    if (!bytes)
        return;
    // In pieces that always fit beside the unfinished line the reader may have left.
    constexpr uint32_t kPiece = kStreamSize - CDomintellCodec::kMaxLine - 2;
    static_assert(kPiece > 0, "the stream holds a line and a piece");
    std::string line;
    while (length > 0)
    {
        const uint32_t piece = length < kPiece ? length : kPiece;
        m_in.Append(bytes, static_cast<int32_t>(piece));
        bytes += piece;
        length -= piece;
        while (m_lines.Next(m_in, line))
            OnLine(line);
    }
}

void CAbstractDomintellDevice::OnLine(const std::string& line)
{
    switch (GetState())
    {
    case StateConnecting:
        if (Begins(line, kSessionOpened))
        {
            m_state = StateOnline;
            SendLine("RSMODE\r\n");
        }
        break;
    case StateOnline:
        if (Begins(line, kSessionClosed))
            m_state = StateIdle;
        else if (Begins(line, "RSMODE"))
            m_pingSent = false;
        else if (Begins(line, "sio=TRUE"))
        {
            if (!m_pingSent.exchange(true))
                SendLine("PING\r\n");
        }
        else if (static_cast<int32_t>(line.size()) >= kShortestStatus)
            OnStatusLine(line);
        break;
    default:
        break;
    }
}

void CAbstractDomintellDevice::OnStatusLine(const std::string& line)
{
    std::vector<DomintellReport> reports;
    CDomintellCodec::ParseStatus(line.data(), line.size(), reports);
    for (const DomintellReport& report : reports)
    {
        // Only the first channel of the module's I/O takes the value.
        for (const auto& c : m_channels)
        {
            if (c->m_moduleType == report.moduleType && c->m_serial == report.serial && c->m_io == report.io)
            {
                m_poster.Post(c->GetId(), EventSetItemValue, report.value);
                break;
            }
        }
    }
}
