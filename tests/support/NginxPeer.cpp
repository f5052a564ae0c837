#include "NginxPeer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{
// A port that nobody listens on right now (the kernel's pick for a socket bound to port 0).
uint16_t FreePort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    uint16_t port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

bool Accepts(uint16_t port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

std::string NginxProgram()
{
    for (const char* path : {"/usr/sbin/nginx", "/usr/local/sbin/nginx", "/usr/bin/nginx"})
        if (access(path, X_OK) == 0)
            return path;
    return "nginx";
}
} // namespace

NginxPeer::NginxPeer(const std::string& serverDirectives)
{
    if (!m_folder.Ok())
    {
        m_error = "no temporary folder";
        return;
    }
    // nginx started as root serves files as another user: the folder must be open to it.
    chmod(m_folder.Path().c_str(), 0755);
    std::error_code ignored;
    for (const char* sub : {"www", "tmp"})
        std::filesystem::create_directories(m_folder.File(sub), ignored);
    chmod(m_folder.File("www").c_str(), 0755);
    std::ofstream(m_folder.File("htpasswd")) << kUser << ":{PLAIN}" << kPassword << "\n";
    chmod(m_folder.File("htpasswd").c_str(), 0644);
    // Another process may take the free port between the pick and nginx's bind: pick again.
    for (int attempt = 0; attempt < 5 && !Ok(); ++attempt)
        Start(serverDirectives);
}

NginxPeer::~NginxPeer()
{
    Stop();
}

bool NginxPeer::WriteConfig(uint16_t port, const std::string& serverDirectives) const
{
    const std::string& d = m_folder.Path();
    std::ofstream out(m_folder.File("nginx.conf"));
    out << "daemon off;\nmaster_process off;\nworker_processes 1;\npid " << d << "/nginx.pid;\n"
        << "error_log " << d << "/error.log;\nevents { worker_connections 64; }\nhttp {\n"
        << "  types { image/jpeg jpg; image/png png; text/plain txt; text/html html; }\n"
        << "  default_type application/octet-stream;\n"
        << "  log_format requests '$request $status';\n"
        << "  access_log " << d << "/access.log requests;\n"
        << "  client_body_temp_path " << d << "/tmp/body;\n  proxy_temp_path " << d << "/tmp/proxy;\n"
        << "  fastcgi_temp_path " << d << "/tmp/fastcgi;\n  uwsgi_temp_path " << d << "/tmp/uwsgi;\n"
        << "  scgi_temp_path " << d << "/tmp/scgi;\n"
        << "  server {\n    listen 127.0.0.1:" << port << ";\n    root " << d << "/www;\n"
        << "    location /secret/ { auth_basic \"peers\"; auth_basic_user_file " << d << "/htpasswd; }\n"
        << "    location /chunked/ { sub_filter 'a' 'A'; sub_filter_once off; sub_filter_types text/plain; "
           "}\n"
        << "    location /level { default_type text/plain; return 200 \"level\\n\"; }\n"
        << "    " << serverDirectives << "\n  }\n}\n";
    return static_cast<bool>(out);
}

bool NginxPeer::Start(const std::string& serverDirectives)
{
    const uint16_t port = FreePort();
    if (port == 0 || !WriteConfig(port, serverDirectives))
    {
        m_error = "no port or no configuration";
        return false;
    }
    const std::string program = NginxProgram();
    const std::string prefix = m_folder.Path() + "/";
    const std::string config = m_folder.File("nginx.conf");
    const std::string errorLog = m_folder.File("error.log");
    pid_t pid = fork();
    if (pid < 0)
    {
        m_error = "fork failed";
        return false;
    }
    if (pid == 0)
    {
        execl(program.c_str(), program.c_str(), "-p", prefix.c_str(), "-e", errorLog.c_str(), "-c",
              config.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end)
    {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
        {
            std::ifstream log(errorLog);
            std::stringstream text;
            text << log.rdbuf();
            m_error = "nginx ended at start: " + text.str();
            return false;
        }
        if (Accepts(port))
        {
            m_pid = pid;
            m_port = port;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    m_error = "nginx did not listen";
    return false;
}

void NginxPeer::Stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end)
    {
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid)
        {
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

bool NginxPeer::WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    const std::filesystem::path path = std::filesystem::path(m_folder.File("www")) / name;
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    for (std::filesystem::path p = path.parent_path(); p.string().size() > m_folder.File("www").size();
         p = p.parent_path())
        chmod(p.c_str(), 0755);
    const bool written = WriteFileBytes(path.string(), bytes);
    chmod(path.c_str(), 0644);
    return written;
}

std::vector<std::string> NginxPeer::LogLines() const
{
    std::vector<std::string> lines;
    std::ifstream log(m_folder.File("access.log"));
    std::string line;
    while (std::getline(log, line))
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

bool NginxPeer::WaitLogLines(size_t count, uint32_t ms) const
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (LogLines().size() < count)
    {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
