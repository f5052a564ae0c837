#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/InterfaceFileWriter.h"

// Image, icon, font and sound records of the interface file, the resource pack "resource.qvs",
// and small sound and picture files made in code for tests and the demo.
namespace ResourceRecordWriter
{
// An image or icon record of kind 1: id, kind, name, then width, height and the picture bytes.
void PutImage(CInterfaceFileWriter& writer, uint32_t id, const char* name, uint16_t width, uint16_t height,
              const std::vector<uint8_t>& picture, uint8_t kind = 1);
// A font record with its file (versions above 0x103FF).
void PutFont(CInterfaceFileWriter& writer, uint32_t id, const char* faceName, uint8_t size,
             const std::vector<uint8_t>& fontFile);
// A sound record (sounds section, versions above 0x10500).
void PutSound(CInterfaceFileWriter& writer, uint32_t id, const std::vector<uint8_t>& data);

// The resource pack, record by record.
class CResourcePackWriter
{
public:
    void PutFont(const char* name, const std::vector<uint8_t>& fontFile);
    void PutTemplate(uint32_t id, const std::vector<uint8_t>& data);
    void PutThumb(uint32_t word, const std::vector<uint8_t>& data);
    // Any record as it stands: type, the length field, then the payload bytes (which need not
    // match the length).
    void PutRaw(uint8_t type, uint32_t length, const std::vector<uint8_t>& payload = {});
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    bool Save(const std::string& path) const;

private:
    void PutU32(uint32_t value);
    std::vector<uint8_t> m_bytes;
};

// A frame template whose eight edge and corner pieces are solid bands of the given width.
std::vector<uint8_t> SolidFrameTemplate(int32_t margin);
// A slider thumb image of the given size along the track (its pieces solid).
std::vector<uint8_t> SolidThumb(int32_t size);
// A RIFF/WAVE file of 16-bit mono PCM: a sine tone of the given frequency and length.
std::vector<uint8_t> ToneWave(uint32_t sampleRate, uint32_t milliseconds, double frequency);
// The bytes of a whole file, empty when it cannot be read.
std::vector<uint8_t> ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
} // namespace ResourceRecordWriter
