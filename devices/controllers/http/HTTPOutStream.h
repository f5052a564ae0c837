#pragma once
#include <cstdint>

#include "devices/OutStream.h"

// The builder of one GET request of the HTTP devices:
//
//     CCriticalSectionGuard guard(SendLock());
//     if (m_out.BuildHttpGetRequest(path, length, host))
//     {
//         m_out.AppendBasicAuthorization(user, password);   // only when both are given
//         m_out.AppendHttpHeaderEnd();
//         QueueRequest(0);
//     }
//
// The request: "GET <encoded path> HTTP/1.1", Host, "User-Agent: Nerulan/1.5.6", "Accept: */*",
// no Connection header (the device closes the connection once the body is in).
class CHTTPOutStream : public COutStream
{
public:
    static constexpr uint32_t kCapacity = 4096;
    // Longer paths (before encoding) are refused rather than sent.
    static constexpr uint32_t kMaxPathLength = 4096;
    static constexpr const char* kProduct = "Nerulan";
    static constexpr const char* kVersion = "1.5.6";

    CHTTPOutStream() : COutStream(kCapacity) {}

    // Resets the stream and writes the request line and the fixed headers. The path (up to its
    // first zero byte, if any, within pathLength) is
    // percent-encoded as CHttpPathEncoder::EncodePath says. False, with the stream left empty,
    // without a path or host, for a path longer than kMaxPathLength, or for a host with spaces
    // or control bytes in it.
    bool BuildHttpGetRequest(const char* path, uint32_t pathLength, const char* host);
    // "Authorization: Basic <base64 of user:password>", only when both texts are given (not null).
    void AppendBasicAuthorization(const char* user, const char* password);
    // The empty line that ends the head.
    void AppendHttpHeaderEnd();
};
