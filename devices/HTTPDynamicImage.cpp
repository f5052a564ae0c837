// PLACEHOLDER: stands in for the HTTP picture fetcher until the device layer exists. It keeps
// what it is told and never fetches a picture.
#include "devices/HTTPDynamicImage.h"

#include "common/StringFunctions.h"

CHTTPDynamicImage::CHTTPDynamicImage() = default;

CHTTPDynamicImage::~CHTTPDynamicImage()
{
    StrFree(m_host);
}

bool CHTTPDynamicImage::Configure(const DynamicImageAddress& address)
{
    StrFree(m_host);
    m_host = StrDup(address.host);
    m_port = address.port;
    m_refreshPeriod = address.refreshPeriod;
    ++m_configureCount;
    return true;
}

bool CHTTPDynamicImage::Connect()
{
    ++m_connectCount;
    m_pictureReceived = 0;
    return true;
}

void CHTTPDynamicImage::Disconnect()
{
    ++m_disconnectCount;
}

bool CHTTPDynamicImage::Update()
{
    ++m_updateCount;
    return false;
}
