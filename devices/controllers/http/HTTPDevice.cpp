#include "devices/controllers/http/HTTPDevice.h"

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
    return StartConnection();
}

bool CHTTPDevice::StartConnection()
{
    if (!m_transport)
        return false;
    // Under the phase lock from start to end: the close of the last request (on the transport's
    // thread) either has completed or waits until this connection is asked for, and then finds
    // the phase no longer its own.
    CCriticalSectionGuard guard(&m_phaseLock);
    // A link left over from the last request would make the connect request a no-op.
    const uint8_t link = m_transport->GetLinkState();
    if (link == CAbstractTransport::LinkConnectRequested || link == CAbstractTransport::LinkConnected)
        m_transport->Close();
    m_lastAttempt = Now();
    m_phase = PhaseConnecting;
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
    // The phase and the close go together: were the next request's connection asked for between
    // them, this close would end that connection instead, and the request would wait out its
    // connect time-out and be dropped.
    CCriticalSectionGuard guard(&m_phaseLock);
    m_phase = phase;
    CloseTransport();
}

void CHTTPDevice::EndAnsweredRequest(uint8_t phase)
{
    // Bytes of a request that a time-out ended meanwhile must not end the next one.
    CCriticalSectionGuard guard(&m_phaseLock);
    if (m_phase == PhaseAwaitingHead || m_phase == PhaseReadingBody)
        EndRequest(phase);
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
        StartConnection();
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
                m_reader.Begin();
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
        // A link closes while the next one is being made only when it is an older link whose
        // end arrives late: the request waiting for the new link is not ended by it.
        if (phase == PhaseStopped || phase == PhaseConnecting)
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
        EndAnsweredRequest(PhaseIdle);
        return;
    }
    const CHttpResponseReader::State state = m_reader.Feed(bytes, length, *this);
    PublishFields(m_reader.Fields());
    switch (state)
    {
    case CHttpResponseReader::State::Head:
    case CHttpResponseReader::State::Body:
    {
        // Unless a time-out or a Disconnect ended the request meanwhile.
        CCriticalSectionGuard guard(&m_phaseLock);
        if (m_phase == PhaseAwaitingHead || m_phase == PhaseReadingBody)
            m_phase = state == CHttpResponseReader::State::Head ? PhaseAwaitingHead : PhaseReadingBody;
        return;
    }
    case CHttpResponseReader::State::Refused:
        EndAnsweredRequest(StopsOnRefusal() ? PhaseStopped : PhaseIdle);
        return;
    case CHttpResponseReader::State::Complete:
    case CHttpResponseReader::State::Failed:
        // The connection has served its request (or cannot): close it; the next request opens
        // its own.
        EndAnsweredRequest(PhaseIdle);
        return;
    }
}

void CHTTPDevice::PublishFields(const HttpResponseFields& fields)
{
    m_responseFlags = fields.flags;
    m_status = fields.status;
    m_contentType = fields.contentType;
    m_contentLength = fields.contentLength;
}

void CHTTPDevice::OnResponseBody(uint8_t part, const uint8_t* bytes, uint32_t length,
                                 const HttpResponseFields& fields)
{
    PublishFields(fields);
    OnResponseData(part, bytes, length);
}
