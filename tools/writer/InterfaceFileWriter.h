#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Builds an interface file in memory, in file order: the header, the device table, then the
// resource sections. Every multi-byte field is little-endian; a text is a 16-bit byte length that
// counts the terminating zero, then the bytes (length 0: no text).
//
// Record writers for later sections (pages, items, resources) append to the same writer through
// the Put helpers, so tests can build any file - including broken ones - from real bytes.
class CInterfaceFileWriter
{
public:
    // "QV77" read as one little-endian 32-bit word.
    static constexpr uint32_t kMagic = 0x37375651;
    // The first version with the sounds section and the popups' auto-hide time.
    static constexpr uint32_t kCurrentVersion = 0x10501;

    struct Header
    {
        uint32_t magic = kMagic;
        uint32_t version = kCurrentVersion;
        // 0: no password; any other value is followed by the password's CRC.
        uint8_t passwordFlag = 0;
        uint32_t passwordCrc = 0;
        uint16_t designWidth = 640;
        uint16_t designHeight = 480;
        // Bit 2: full screen; bit 7: the extra byte follows.
        uint8_t displayFlags = 0;
        // Written only when bit 7 of the display flags is set; bit 0: hide the cursor.
        uint8_t extraFlags = 0;
    };

    struct Channel
    {
        uint32_t id = 0;
        uint8_t valueType = 0;
        uint8_t reportKind = 0;
        uint8_t direction = 0;
        std::vector<uint8_t> data;
    };

    struct Device
    {
        uint32_t id = 0;
        uint32_t type = 0;
        const char* host = nullptr; // null: no text
        uint16_t port = 0;
        const char* parameters = nullptr;
        std::vector<Channel> channels;
    };

    // ---- Plain fields ------------------------------------------------------------------------
    void PutU8(uint8_t value);
    void PutU16(uint16_t value);
    void PutU32(uint32_t value);
    void PutI32(int32_t value);
    void PutBytes(const void* bytes, size_t length);
    // A text field: null gives length 0 (no text); otherwise the length counts the zero.
    void PutText(const char* text);

    // ---- Sections, in file order ---------------------------------------------------------------
    // Remembers the header's version for the sections that depend on it.
    void PutHeader(const Header& header);
    // The device count, then each record with its channels.
    void PutDeviceTable(const std::vector<Device>& devices);
    void PutDevice(const Device& device);
    // The record total and the start-up section (start page name and start-up popup names).
    void PutResourceStart(uint32_t recordTotal, const char* startPage,
                          const std::vector<const char*>& startupPopups = {});
    // A section's 16-bit record count.
    void PutCount(uint16_t count);
    // Whether the header's version has a sounds section (above 0x10500).
    bool HasSoundsSection() const { return m_version > 0x10500; }
    // Record total 0, the start page name and every resource section empty.
    void PutEmptyResources(const char* startPage = nullptr);

    // ---- Result --------------------------------------------------------------------------------
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    size_t Size() const { return m_bytes.size(); }
    uint32_t Version() const { return m_version; }
    // Drops everything after the first `size` bytes (for files that end inside a record).
    void Truncate(size_t size);
    // Writes the bytes to a file; false when it cannot be written whole.
    bool Save(const std::string& path) const;

    // The CRC the header stores for a password given in Windows-1252 bytes.
    static uint32_t PasswordCrc(const char* ansiPassword);

    // A whole file with the given header, no devices and empty resource sections.
    static std::vector<uint8_t> MinimalFile(const Header& header);

    // A channel blob of the byte-string (custom) devices: kind, event channel, event value, repeat
    // count 1, the bytes with their length, then hold period and sequence delay, both 0
    // (little-endian).
    static std::vector<uint8_t> CustomChannelBlob(uint8_t kind, uint32_t eventChannel, uint32_t eventValue,
                                                  const std::string& bytes);

private:
    std::vector<uint8_t> m_bytes;
    uint32_t m_version = kCurrentVersion;
};
