#include "devices/controllers/http/HTTPDevice.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "devices/DeviceParams.h"
#include "devices/QueueData.h"
#include "devices/TCPTransport.h"
#include "platform/Clock.h"

CHTTPDevice::CHTTPDevice()
{
    // One transport for the device's life: each request opens a new connection on it.
    m_transport = new CTCPTransport(this);
}

CHTTPDevice::~CHTTPDevice()
{
    DeleteTransport();
}

bool CHTTPDevice::Connect()
{
    if (!m_transport)
        return false;
    // A link left over from the last request would make the connect request a no-op.
    const uint8_t link = m_transport->GetLinkState();
    if (link == CAbstractTransport::LinkConnectRequested || link == CAbstractTransport::LinkConnected)
        m_transport->Close();
    {
        CCriticalSectionGuard guard(&m_phaseLock);
        m_lastAttempt = Now();
        m_phase = PhaseConnecting;
    }
    // Without a usable endpoint nothing connects, and the connect time-out drops the request.
    m_transport->Open(GetHost(), m_port, 0, 0, 0, 0);
    m_transport->RequestState(CAbstractTransport::LinkConnectRequested);
    return true;
}

void CHTTPDevice::Disconnect()
{
    EndRequest(PhaseIdle);
}

void CHTTPDevice::EndRequest(uint8_t phase)
{
    {
        CCriticalSectionGuard guard(&m_phaseLock);
        m_phase = phase;
    }
    CloseTransport();
}

bool CHTTPDevice::Configure(DeviceParams* params)
{
    if (!params || !m_transport)
        return false;
    m_host = params->host ? params->host : "";
    m_port = params->port;
    return m_transport->Open(GetHost(), m_port, 0, 0, 0, 0);
}

bool CHTTPDevice::AddChannel(uint32_t, uint8_t, uint8_t, uint8_t, uint32_t, const uint8_t*)
{
    return true;
}

void CHTTPDevice::OnResponseData(uint8_t, const uint8_t*, uint32_t) {}

bool CHTTPDevice::QueueGet(const char* path, int32_t tag)
{
    if (!path)
        return false;
    CCriticalSectionGuard guard(SendLock());
    if (!m_out.BuildHttpGetRequest(path, static_cast<uint32_t>(std::strlen(path)), GetHost()))
        return false;
    m_out.AppendBasicAuthorization(GetUser(), GetPassword());
    m_out.AppendHttpHeaderEnd();
    return QueueRequest(tag);
}

bool CHTTPDevice::QueueRequest(int32_t tag)
{
    CCriticalSectionGuard guard(SendLock());
    return m_out.Length() > 0 && m_queue.AddData(tag, m_out.Data(), m_out.Length());
}

bool CHTTPDevice::QueueRequestOnce(int32_t tag)
{
    CCriticalSectionGuard guard(SendLock());
    return m_out.Length() > 0 && m_queue.AddDataOnce(tag, m_out.Data(), m_out.Length());
}

bool CHTTPDevice::Update()
{
    const uint8_t phase = m_phase.load();
    switch (phase)
    {
    case PhaseStopped:
        return false;
    case PhaseIdle:
        if (m_queue.GetCount() == 0)
            return false;
        Connect();
        return true;
    case PhaseConnecting:
    {
        if (platform::ElapsedMs(Now(), m_lastAttempt) <= kTimeoutMs)
            return true;
        bool timedOut = false;
        {
            // The request was never sent: it goes, unless the connection came up meanwhile.
            CCriticalSectionGuard guard(&m_phaseLock);
            if (m_phase == PhaseConnecting)
            {
                m_phase = PhaseIdle;
                m_queue.Pop();
                timedOut = true;
            }
        }
        if (timedOut)
            CloseTransport();
        return true;
    }
    case PhaseAwaitingHead:
    case PhaseReadingBody:
    {
        if (platform::ElapsedMs(Now(), m_lastActivity) <= kTimeoutMs)
            return true;
        bool timedOut = false;
        {
            // The request that timed out left the queue when it was sent; the next one waits.
            CCriticalSectionGuard guard(&m_phaseLock);
            if (m_phase == PhaseAwaitingHead || m_phase == PhaseReadingBody)
            {
                m_phase = PhaseIdle;
                timedOut = true;
            }
        }
        if (timedOut)
            CloseTransport();
        return true;
    }
    default:
        return true;
    }
}

void CHTTPDevice::OnConnected()
{
    std::unique_ptr<CQueueData> request;
    {
        CCriticalSectionGuard guard(&m_phaseLock);
        // A link that comes up after its request timed out (or after a Disconnect) sends nothing.
        if (m_phase == PhaseConnecting)
        {
            request.reset(m_queue.PeekData());
            if (request)
            {
                m_queue.Pop();
                m_currentTag = request->GetTag();
                m_responseFlags = 0;
                m_status = 0;
                m_contentLength = 0;
                m_contentType = HttpContentNone;
                m_chunkSize = -1;
                m_in.Reset();
                m_lastActivity = Now();
                m_phase = PhaseAwaitingHead;
            }
        }
    }
    if (!request)
    {
        CloseTransport();
        return;
    }
    SendToTransport(request->GetBytes(), request->GetLength());
}

void CHTTPDevice::OnDisconnected()
{
    bool bodyEnds = false;
    {
        CCriticalSectionGuard guard(&m_phaseLock);
        const uint8_t phase = m_phase.load();
        if (phase == PhaseStopped)
            return;
        // The server closed a body it sends until it closes (a stream, or a cut-short one).
        bodyEnds = phase == PhaseReadingBody && m_status == 200;
        m_phase = PhaseIdle;
    }
    if (bodyEnds)
        OnResponseData(PartEnd, nullptr, 0);
}

void CHTTPDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    m_lastActivity = Now();
    const uint8_t phase = m_phase.load();
    // Bytes of a connection whose request already ended are not read.
    if (phase != PhaseAwaitingHead && phase != PhaseReadingBody)
        return;
    if (!m_readsBodies)
    {
        EndRequest(PhaseIdle);
        return;
    }
    while (length > 0)
    {
        // The transport hands blocks of at most 64 KB; the slice only guards the int conversion.
        const int32_t slice = static_cast<int32_t>(std::min<uint32_t>(length, kInStreamSize));
        m_in.Append(bytes, slice);
        bytes += slice;
        length -= static_cast<uint32_t>(slice);
        for (;;)
        {
            if (m_phase == PhaseAwaitingHead && !ParseHead())
                break;
            if (m_phase != PhaseReadingBody || !ReadBody())
                break;
        }
        if (m_phase != PhaseAwaitingHead && m_phase != PhaseReadingBody)
            return;
    }
    if (m_in.Pending() == 0)
        m_in.Reset();
}

bool CHTTPDevice::ParseHead()
{
    HttpResponseFields fields;
    fields.flags = m_responseFlags;
    int32_t body = 0;
    switch (CHttpResponseParser::ParseHead(m_in.ReadPos(), m_in.Pending(), fields, body))
    {
    case HttpHeadResult::Incomplete:
        return false;
    case HttpHeadResult::Unusable:
        EndRequest(PhaseIdle);
        return false;
    case HttpHeadResult::Parsed:
        break;
    }
    m_responseFlags = fields.flags;
    m_status = fields.status;
    m_contentType = fields.contentType;
    m_contentLength = fields.contentLength;
    m_chunkSize = -1;
    m_in.Skip(body);
    // A body longer than the receive buffer could never be whole in it.
    if (fields.contentLength > static_cast<uint32_t>(kInStreamSize))
    {
        EndRequest(PhaseIdle);
        return false;
    }
    m_phase = PhaseReadingBody;
    return true;
}

bool CHTTPDevice::ReadBody()
{
    if (m_status != 200)
    {
        EndRequest(StopsOnRefusal() ? PhaseStopped : PhaseIdle);
        return false;
    }
    const int32_t available = m_in.Pending();
    if (m_responseFlags & HttpResponseFields::FlagMultipart)
        return ReadMultipart(available);
    if (m_responseFlags & HttpResponseFields::FlagChunked)
        return ReadChunks();
    const uint32_t length = m_contentLength;
    if (static_cast<uint32_t>(available) < length)
        return false;
    // Whatever follows the body is not read: the connection closes.
    OnResponseData(PartWhole, m_in.ReadPos(), length);
    m_in.Skip(static_cast<int32_t>(length));
    EndRequest(PhaseIdle);
    return false;
}

bool CHTTPDevice::ReadMultipart(int32_t available)
{
    const uint32_t length = m_contentLength;
    if (length == 0)
    {
        // Parts without a length: the subclass splits what arrives by its own marks.
        if (available > 0)
            OnResponseData(PartWhole, m_in.ReadPos(), static_cast<uint32_t>(available));
        m_in.Skip(available);
        return false;
    }
    if (static_cast<uint32_t>(available) < length)
        return false;
    // The next part's head follows; it may already be here.
    m_phase = PhaseAwaitingHead;
    OnResponseData(PartWhole, m_in.ReadPos(), length);
    m_in.Skip(static_cast<int32_t>(length));
    return true;
}

bool CHTTPDevice::ReadChunks()
{
    for (;;)
    {
        if (m_chunkSize < 0)
        {
            uint32_t size = 0;
            int32_t used = 0;
            switch (CHttpResponseParser::ReadChunkSize(m_in.ReadPos(), m_in.Pending(), size, used))
            {
            case HttpChunkResult::Incomplete:
                return false;
            case HttpChunkResult::Malformed:
                EndRequest(PhaseIdle);
                return false;
            case HttpChunkResult::Size:
                break;
            }
            m_in.Skip(used);
            if (size == 0)
            {
                // The last chunk: the body is complete, and the connection has served its request.
                {
                    CCriticalSectionGuard guard(&m_phaseLock);
                    if (m_phase == PhaseReadingBody)
                        m_phase = PhaseIdle;
                }
                OnResponseData(PartEnd, nullptr, 0);
                EndRequest(PhaseIdle);
                return false;
            }
            m_chunkSize = static_cast<int32_t>(size);
        }
        const int32_t available = m_in.Pending();
        if (available == 0)
            return false;
        // A chunk larger than what is here goes in pieces, so no chunk has to fit the buffer.
        const int32_t piece = std::min(available, m_chunkSize);
        OnResponseData(PartChunk, m_in.ReadPos(), static_cast<uint32_t>(piece));
        m_in.Skip(piece);
        m_chunkSize -= piece;
        if (m_chunkSize > 0)
            return false;
        m_chunkSize = -1;
    }
}
