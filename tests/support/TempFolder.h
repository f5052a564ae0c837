#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A folder of its own under the system's temporary folder (TMPDIR, else /tmp), removed with
// everything in it when the object goes. Tests that need files make them here, never in the
// source tree.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // False when the folder could not be made (Path() is then empty).
    bool Ok() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    // Writes the bytes to a file in the folder and returns its path.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;

private:
    std::string m_path;
};

// A whole file's bytes; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);
// True when every byte was written.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
