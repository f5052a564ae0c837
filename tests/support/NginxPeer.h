#pragma once
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

#include "TempFolder.h"

// nginx on 127.0.0.1, on a free port, with everything (configuration, document root, logs,
// temporary folders) in a folder of its own. One process without a master, stopped when the
// object goes. Its server serves the document root and has:
//   /secret/   Basic authorisation for kUser / kPassword
//   /chunked/  text files answered with a chunked body (a filter changes every "a" to "A")
//   /level     "level\n" as text/plain, whatever the query
// plus the directives the test adds to the server block. The access log keeps "<request line>
// <status>" for every request.
//
//   NginxPeer nginx;
//   ASSERT_TRUE(nginx.Ok()) << nginx.Error();
//   nginx.WriteFile("secret/pic.jpg", bytes);
//   ... GET http://127.0.0.1:<nginx.Port()>/secret/pic.jpg ...
//   nginx.WaitLogLines(1, 3000);  nginx.LogLines()[0] == "GET /secret/pic.jpg HTTP/1.1 200"
class NginxPeer
{
public:
    static constexpr const char* kUser = "alice";
    static constexpr const char* kPassword = "wonder land";

    explicit NginxPeer(const std::string& serverDirectives = "");
    ~NginxPeer();
    NginxPeer(const NginxPeer&) = delete;
    NginxPeer& operator=(const NginxPeer&) = delete;

    bool Ok() const { return m_pid > 0 && m_port != 0; }
    const std::string& Error() const { return m_error; }
    uint16_t Port() const { return m_port; }
    // Writes a file below the document root (folders made as needed), readable by anyone.
    bool WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const;
    // The access log's lines so far.
    std::vector<std::string> LogLines() const;
    bool WaitLogLines(size_t count, uint32_t ms) const;

private:
    bool Start(const std::string& serverDirectives);
    bool WriteConfig(uint16_t port, const std::string& serverDirectives) const;
    void Stop();

    TempFolder m_folder;
    pid_t m_pid = -1;
    uint16_t m_port = 0;
    std::string m_error;
};
