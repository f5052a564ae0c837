#include "devices/controllers/http/HTTPOutStream.h"

#include <cstring>
#include <string>

#include "common/StringFunctions.h"
#include "devices/controllers/http/HttpPathEncoder.h"

namespace
{
// A host goes into a header line as it stands, so it must not end that line or add another.
bool IsPlainHost(const char* host)
{
    if (!host || !*host)
        return false;
    for (const char* c = host; *c; ++c)
        if (static_cast<unsigned char>(*c) <= 0x20 || *c == 0x7F)
            return false;
    return true;
}
} // namespace

bool CHTTPOutStream::BuildHttpGetRequest(const char* path, uint32_t pathLength, const char* host)
{
    Reset();
    // A path ends at its first zero byte (file texts may carry their terminator).
    if (path)
        pathLength = static_cast<uint32_t>(strnlen(path, pathLength));
    if (!path || pathLength == 0 || pathLength > kMaxPathLength || !IsPlainHost(host))
        return false;
    std::string target;
    CHttpPathEncoder::EncodePath(path, pathLength, target);
    PutString("GET ");
    PutBytes(target.data(), static_cast<uint32_t>(target.size()));
    PutString(" HTTP/1.1\r\nHost: ");
    PutString(host);
    PutString("\r\nUser-Agent: ");
    PutString(kProduct);
    PutString("/");
    PutString(kVersion);
    PutString("\r\nAccept: */*\r\n");
    return true;
}

void CHTTPOutStream::AppendBasicAuthorization(const char* user, const char* password)
{
    if (!user || !password)
        return;
    std::string credentials(user);
    credentials.push_back(':');
    credentials.append(password);
    char* encoded = Base64Encode(static_cast<int32_t>(credentials.size()), credentials.data());
    if (!encoded)
        return;
    PutString("Authorization: Basic ");
    PutString(encoded);
    PutString("\r\n");
    StrFree(encoded);
}

void CHTTPOutStream::AppendHttpHeaderEnd()
{
    PutString("\r\n");
}
