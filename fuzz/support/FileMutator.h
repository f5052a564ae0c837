#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Damages a copy of a file the way a bad disk, a cut download or a broken writer would, from a
// seed: the same seed and copy number always give the same bytes, so any copy that misbehaves
// can be made again on its own. Random damage alone mostly lands in picture and font payloads,
// which their decoders refuse; the landmarks (where records start) and the fields (lengths,
// counts, offsets) steer much of it onto the record structure, which the loader itself reads.
class CFileMutator
{
public:
    struct Field
    {
        size_t offset;
        uint8_t width; // 1, 2 or 4 bytes, little-endian
    };

    // The deterministic generator (splitmix64): no library generator, whose sequence may differ
    // between standard libraries.
    class CRandom
    {
    public:
        explicit CRandom(uint64_t seed) : m_state(seed) {}
        uint64_t Next();
        // 0 .. bound - 1 (0 when bound is 0).
        size_t Below(size_t bound) { return bound == 0 ? 0 : static_cast<size_t>(Next() % bound); }
        bool Chance(uint32_t percent) { return Below(100) < percent; }

    private:
        uint64_t m_state;
    };

    CFileMutator(std::vector<size_t> landmarks, std::vector<Field> fields);

    // Applies 1..maxSteps damages to bytes for copy `copy` of run `seed`; returns their names,
    // in order, separated by ", ".
    std::string Mutate(std::vector<uint8_t>& bytes, uint64_t seed, uint32_t copy, int32_t maxSteps = 3) const;

    // The landmarks and fields of a resource pack: each record's start and its length field,
    // and the first words of a template's or thumb's table of piece offsets.
    static void MapResourcePack(const std::vector<uint8_t>& bytes, std::vector<size_t>& landmarks,
                                std::vector<Field>& fields);
    // Fields that look like the interface file's lengths: a 16-bit text length followed by that
    // many printable bytes and a zero, and a 32-bit length that fits in the bytes after it.
    static std::vector<Field> FindLengthFields(const std::vector<uint8_t>& bytes);

private:
    enum class Step
    {
        FlipBits,
        RandomBytes,
        InsertBytes,
        Truncate,
        DuplicateChunk,
        RemoveChunk,
        HeaderBytes,
        FieldValue,
        Count,
    };

    static const char* StepName(Step step);
    void Apply(Step step, std::vector<uint8_t>& bytes, CRandom& random) const;
    // An offset within size: often just after a landmark, where a record's header is.
    size_t PickOffset(size_t size, CRandom& random) const;
    // A range [begin, end) within size: often one whole record, from a landmark to the next.
    void PickChunk(size_t size, CRandom& random, size_t& begin, size_t& end) const;
    static uint32_t InterestingValue(uint32_t old, size_t left, uint8_t width, CRandom& random);
    static void Store(std::vector<uint8_t>& bytes, size_t offset, uint8_t width, uint32_t value);
    static uint32_t Load(const std::vector<uint8_t>& bytes, size_t offset, uint8_t width);

    std::vector<size_t> m_landmarks;
    std::vector<Field> m_fields;
    // The fields in the first bytes of a record: its own lengths and counts, where the length-like
    // values inside picture and font payloads would otherwise take most of the picks.
    std::vector<Field> m_headFields;
};
