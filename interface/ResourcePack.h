#pragma once
#include <cstddef>
#include <cstdint>

// What the records of a resource pack ("resource.qvs") hand over. The bytes passed are valid only
// during the call: a receiver copies what it keeps.
class CResourcePackSink
{
public:
    virtual ~CResourcePackSink() = default;
    // A font file registered under its name (the name is at most kMaxFontName bytes).
    virtual void OnFont(const char* name, const uint8_t* bytes, int32_t length) = 0;
    // A frame template; null data (length 0) when the pack gave none.
    virtual void OnTemplate(uint32_t id, const uint8_t* data, int32_t length) = 0;
    // A slider thumb; null data (length 0) when the pack gave none.
    virtual void OnThumb(const uint8_t* data, int32_t length) = 0;
};

// The record codec of a resource pack: type (1 byte), length (4 bytes, little-endian), payload,
// up to the end of the bytes.
class CResourcePack
{
public:
    enum RecordType : uint8_t
    {
        RecordFont = 1,
        RecordTemplate = 2,
        RecordGroupStart = 3,
        RecordGroupEnd = 4,
        RecordThumb = 5,
    };

    // Longest font name, its terminating zero not counted.
    static constexpr int32_t kMaxFontName = 259;

    // Reads every record in order. A record whose length runs past the end, or whose font name
    // has no zero within its bounds, ends the reading there (false); the records before it have
    // been handed over.
    static bool Read(const uint8_t* bytes, size_t length, CResourcePackSink& sink);
};
