#include "tools/writer/InterfaceFileWriter.h"

#include <cstdio>
#include <cstring>

#include "common/StringFunctions.h"

void CInterfaceFileWriter::PutU8(uint8_t value)
{
    m_bytes.push_back(value);
}

void CInterfaceFileWriter::PutU16(uint16_t value)
{
    PutU8(static_cast<uint8_t>(value));
    PutU8(static_cast<uint8_t>(value >> 8));
}

void CInterfaceFileWriter::PutU32(uint32_t value)
{
    PutU16(static_cast<uint16_t>(value));
    PutU16(static_cast<uint16_t>(value >> 16));
}

void CInterfaceFileWriter::PutI32(int32_t value)
{
    PutU32(static_cast<uint32_t>(value));
}

void CInterfaceFileWriter::PutBytes(const void* bytes, size_t length)
{
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    if (p && length > 0)
        m_bytes.insert(m_bytes.end(), p, p + length);
}

void CInterfaceFileWriter::PutText(const char* text)
{
    if (!text)
    {
        PutU16(0);
        return;
    }
    size_t length = std::strlen(text) + 1;
    PutU16(static_cast<uint16_t>(length));
    PutBytes(text, length);
}

void CInterfaceFileWriter::PutHeader(const Header& header)
{
    m_version = header.version;
    PutU32(header.magic);
    PutU32(header.version);
    PutU8(header.passwordFlag);
    if (header.passwordFlag != 0)
        PutU32(header.passwordCrc);
    PutU16(header.designWidth);
    PutU16(header.designHeight);
    PutU8(header.displayFlags);
    if (header.displayFlags & 0x80)
        PutU8(header.extraFlags);
}

void CInterfaceFileWriter::PutDeviceTable(const std::vector<Device>& devices)
{
    PutCount(static_cast<uint16_t>(devices.size()));
    for (const Device& device : devices)
        PutDevice(device);
}

void CInterfaceFileWriter::PutDevice(const Device& device)
{
    PutU32(device.id);
    PutU32(device.type);
    PutText(device.host);
    PutU16(device.port);
    PutText(device.parameters);
    PutCount(static_cast<uint16_t>(device.channels.size()));
    for (const Channel& channel : device.channels)
    {
        PutU32(channel.id);
        PutU8(channel.valueType);
        PutU8(channel.reportKind);
        PutU8(channel.direction);
        PutU32(static_cast<uint32_t>(channel.data.size()));
        PutBytes(channel.data.data(), channel.data.size());
    }
}

void CInterfaceFileWriter::PutResourceStart(uint32_t recordTotal, const char* startPage,
                                            const std::vector<const char*>& startupPopups)
{
    PutU32(recordTotal);
    PutText(startPage);
    PutCount(static_cast<uint16_t>(startupPopups.size()));
    for (const char* name : startupPopups)
        PutText(name);
}

void CInterfaceFileWriter::PutCount(uint16_t count)
{
    PutU16(count);
}

void CInterfaceFileWriter::PutEmptyResources(const char* startPage)
{
    PutResourceStart(0, startPage);
    PutCount(0); // images
    PutCount(0); // icons
    PutCount(0); // fonts
    if (HasSoundsSection())
        PutCount(0);
    PutCount(0); // pages
    PutCount(0); // popups
}

void CInterfaceFileWriter::Truncate(size_t size)
{
    if (size < m_bytes.size())
        m_bytes.resize(size);
}

bool CInterfaceFileWriter::Save(const std::string& path) const
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    size_t written = m_bytes.empty() ? 0 : std::fwrite(m_bytes.data(), 1, m_bytes.size(), file);
    bool closed = std::fclose(file) == 0;
    return closed && written == m_bytes.size();
}

uint32_t CInterfaceFileWriter::PasswordCrc(const char* ansiPassword)
{
    return Crc32(ansiPassword);
}

std::vector<uint8_t> CInterfaceFileWriter::MinimalFile(const Header& header)
{
    CInterfaceFileWriter writer;
    writer.PutHeader(header);
    writer.PutDeviceTable({});
    writer.PutEmptyResources();
    return writer.Bytes();
}

std::vector<uint8_t> CInterfaceFileWriter::CustomChannelBlob(uint8_t kind, uint32_t eventChannel,
                                                             uint32_t eventValue, const std::string& bytes)
{
    std::vector<uint8_t> blob;
    auto u32 = [&blob](uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            blob.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    blob.push_back(kind);
    u32(eventChannel);
    u32(eventValue);
    blob.push_back(1);
    u32(static_cast<uint32_t>(bytes.size()));
    blob.insert(blob.end(), bytes.begin(), bytes.end());
    u32(0);
    u32(0);
    return blob;
}
