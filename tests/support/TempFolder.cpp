#include "TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

TempFolder::TempFolder()
{
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error)
        base = "/tmp";
    std::string pattern = (base / "nerulan-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()))
        m_path = buffer.data();
}

TempFolder::~TempFolder()
{
    if (!m_path.empty())
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
}

std::string TempFolder::Write(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    std::string path = File(name);
    WriteFileBytes(path, bytes);
    return path;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}
