#pragma once
// Shared by the item tests and the state rendering tests: a back end that draws nowhere but
// records what items ask of it, and item records turned into streams.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "common/InStream.h"
#include "interface/AbstractDialogSystem.h"
#include "tools/writer/InterfaceFileWriter.h"

namespace itemtest
{
struct InvalidatedRect
{
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// A back end with no screen: Invalidate is recorded, the rest does nothing. Constructing it makes
// it the global back end, as every back end does.
class CRecordingDialogSystem : public CAbstractDialogSystem
{
public:
    CRecordingDialogSystem() : CAbstractDialogSystem(QuietSound()) {}
    ~CRecordingDialogSystem() override { ReleaseSurface(); }

    bool Init(SDL_Window*, int32_t, int32_t, bool, uint32_t) override { return true; }
    void ReleaseSurface() override {}
    void Flush() override {}
    void Invalidate(int32_t x, int32_t y, int32_t width, int32_t height) override
    {
        invalidated.push_back({x, y, width, height});
    }
    void Paint(const DialogRect&) override {}
    void Present() override {}
    void PresentAll() override {}

    // Pointer capture, as pointer dispatch sets it.
    void Hold(CDialogItem* item, int32_t x, int32_t y)
    {
        m_heldItem = item;
        m_pointerX = x;
        m_pointerY = y;
    }

    std::vector<InvalidatedRect> invalidated;

private:
    // The back end opens the sound output: the null driver keeps it from looking for a card.
    static uint8_t QuietSound()
    {
        setenv("ALSOFT_DRIVERS", "null", 0);
        return 0;
    }
};

// The bytes that fn writes after a header of that version (the header itself left out), so a
// reader can start at the record.
inline std::vector<uint8_t> RecordBytes(uint32_t version,
                                        const std::function<void(CInterfaceFileWriter&)>& fn)
{
    CInterfaceFileWriter writer;
    CInterfaceFileWriter::Header header;
    header.version = version;
    writer.PutHeader(header);
    size_t start = writer.Size();
    fn(writer);
    return std::vector<uint8_t>(writer.Bytes().begin() + static_cast<std::ptrdiff_t>(start),
                                writer.Bytes().end());
}

// A stream over a copy of the bytes that refuses anything more.
inline std::unique_ptr<CInStream> StreamOver(const std::vector<uint8_t>& bytes)
{
    auto stream = std::make_unique<CInStream>(CInStream::Refuse, static_cast<int32_t>(bytes.size()) + 1);
    stream->Append(bytes.data(), static_cast<int32_t>(bytes.size()));
    return stream;
}
} // namespace itemtest
