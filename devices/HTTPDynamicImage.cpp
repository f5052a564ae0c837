#include "devices/HTTPDynamicImage.h"

#include "common/NerulanCriticalSection.h"
#include "devices/AbstractTransport.h"
#include "platform/Clock.h"

CHTTPDynamicImage::CHTTPDynamicImage()
{
    SetReadsBodies(true);
}

CHTTPDynamicImage::~CHTTPDynamicImage()
{
    // The transport's thread stops before the frame stream and the texts go.
    SetPhase(PhaseIdle);
    DeleteTransport();
}

bool CHTTPDynamicImage::Configure(const DynamicImageAddress& address)
{
    m_host = address.host ? address.host : "";
    m_port = address.port;
    m_folder = address.path ? address.path : "";
    m_file = address.file ? address.file : "";
    SetUser(address.user);
    SetPassword(address.password);
    m_refreshPeriod = address.refreshPeriod;
    // A new set-up fetches at once.
    m_requested = false;
    return true;
}

bool CHTTPDynamicImage::Connect()
{
    if (!m_transport)
        return false;
    SetPhase(PhaseIdle);
    return m_transport->Open(GetHost(), m_port, 0, 0, 0, 0);
}

void CHTTPDynamicImage::Disconnect()
{
    CHTTPDevice::Disconnect();
}

bool CHTTPDynamicImage::AddChannel(uint32_t, uint8_t, uint8_t, uint8_t, uint32_t, const uint8_t*)
{
    return false;
}

void CHTTPDynamicImage::SetActive(bool active)
{
    m_active = active ? 1 : 0;
    const uint8_t phase = GetPhase();
    if (!active && (phase == PhaseAwaitingHead || phase == PhaseReadingBody) &&
        (GetResponseFlags() & HttpResponseFields::FlagMultipart))
        EndRequest(PhaseIdle);
}

bool CHTTPDynamicImage::RequestDue()
{
    const uint32_t now = Now();
    const uint32_t period = m_refreshPeriod;
    const uint32_t since = platform::ElapsedMs(now, m_lastRequest);
    if (period != 0)
        return !m_requested || since >= period;
    const bool streamEnded = (GetResponseFlags() & HttpResponseFields::FlagMultipart) != 0;
    return (!m_pictureReceived || streamEnded) && (!m_requested || since >= kRetryGapMs);
}

void CHTTPDynamicImage::QueuePictureRequest()
{
    m_lastRequest = Now();
    m_requested = true;
    std::string path = "/";
    if (!m_folder.empty())
        path += m_folder + "/";
    path += m_file;
    if (path.size() > kMaxPathLength)
        return;
    CCriticalSectionGuard guard(SendLock());
    CHTTPOutStream& out = OutStream();
    if (!out.BuildHttpGetRequest(path.c_str(), static_cast<uint32_t>(path.size()), GetHost()))
        return;
    out.AppendBasicAuthorization(GetUser(), GetPassword());
    out.AppendHttpHeaderEnd();
    QueueRequest(0);
}

bool CHTTPDynamicImage::Update()
{
    if (!m_active)
        return false;
    const uint8_t phase = GetPhase();
    if (phase == PhaseStopped)
        return false;
    if (phase == PhaseIdle && Queue().GetCount() == 0 && !m_file.empty() && RequestDue())
        QueuePictureRequest();
    return CHTTPDevice::Update();
}

void CHTTPDynamicImage::OnConnected()
{
    m_frames.Clear();
    m_pictureReceived = 0;
    CHTTPDevice::OnConnected();
}

void CHTTPDynamicImage::Deliver(const uint8_t* bytes, uint32_t length)
{
    CImageReceiver* sprite = m_sprite.load();
    if (!sprite || !bytes || length == 0)
        return;
    sprite->OnImageData(bytes, length);
    m_pictureReceived = 1;
}

void CHTTPDynamicImage::OnResponseData(uint8_t part, const uint8_t* bytes, uint32_t length)
{
    if (!m_sprite.load() || !IsHttpImage(GetContentType()))
        return;
    const uint8_t flags = GetResponseFlags();
    if (flags & HttpResponseFields::FlagMultipart)
    {
        if (GetContentLength() != 0)
        {
            Deliver(bytes, length);
            return;
        }
        m_frames.Add(bytes, static_cast<int32_t>(length));
        const uint8_t* frame = nullptr;
        int32_t frameLength = 0;
        while (m_frames.NextFrame(frame, frameLength))
            Deliver(frame, static_cast<uint32_t>(frameLength));
        return;
    }
    if (flags & HttpResponseFields::FlagChunked)
    {
        if (part == PartChunk)
            m_frames.Add(bytes, static_cast<int32_t>(length));
        else if (part == PartEnd && !m_frames.Overflowed())
            Deliver(m_frames.ReadPos(), static_cast<uint32_t>(m_frames.Pending()));
        return;
    }
    if (part == PartWhole)
        Deliver(bytes, length);
}
