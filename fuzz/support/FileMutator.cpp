#include "fuzz/support/FileMutator.h"

#include <algorithm>

namespace
{
// A duplicated chunk is capped: a copy of a whole picture record at most once doubles the file
// instead of growing it without end over several steps.
constexpr size_t kMaxChunk = 256 * 1024;
constexpr size_t kMaxLooseChunk = 512;
// Template and thumb records start with a table of 32-bit entries (margins and piece offsets).
constexpr size_t kTableWords = 21;
constexpr size_t kPackRecordHeader = 5;
constexpr size_t kMaxTextLength = 512;
// How far into a record its own fields go (ids, kinds, names, sizes and lengths) before its payload.
constexpr size_t kRecordHead = 64;

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at)
{
    return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
           static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}
} // namespace

uint64_t CFileMutator::CRandom::Next()
{
    m_state += 0x9E3779B97F4A7C15ull;
    uint64_t z = m_state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

CFileMutator::CFileMutator(std::vector<size_t> landmarks, std::vector<Field> fields)
    : m_landmarks(std::move(landmarks)), m_fields(std::move(fields))
{
    std::sort(m_landmarks.begin(), m_landmarks.end());
    m_landmarks.erase(std::unique(m_landmarks.begin(), m_landmarks.end()), m_landmarks.end());
    for (const Field& field : m_fields)
    {
        auto after = std::upper_bound(m_landmarks.begin(), m_landmarks.end(), field.offset);
        if (after != m_landmarks.begin() && field.offset - *(after - 1) < kRecordHead)
            m_headFields.push_back(field);
    }
}

std::string CFileMutator::Mutate(std::vector<uint8_t>& bytes, uint64_t seed, uint32_t copy,
                                 int32_t maxSteps) const
{
    // Each copy has a generator of its own, so that copy n is the same whatever the count.
    CRandom random(seed * 0x100000001B3ull ^ (static_cast<uint64_t>(copy) + 1) * 0xD6E8FEB86659FD93ull);
    const int32_t steps = 1 + static_cast<int32_t>(random.Below(static_cast<size_t>(std::max(1, maxSteps))));
    std::string names;
    for (int32_t i = 0; i < steps && !bytes.empty(); i++)
    {
        Step step = static_cast<Step>(random.Below(static_cast<size_t>(Step::Count)));
        Apply(step, bytes, random);
        names += (names.empty() ? "" : ", ") + std::string(StepName(step));
    }
    return names;
}

const char* CFileMutator::StepName(Step step)
{
    switch (step)
    {
    case Step::FlipBits:
        return "flip-bits";
    case Step::RandomBytes:
        return "random-bytes";
    case Step::InsertBytes:
        return "insert-bytes";
    case Step::Truncate:
        return "truncate";
    case Step::DuplicateChunk:
        return "duplicate-chunk";
    case Step::RemoveChunk:
        return "remove-chunk";
    case Step::HeaderBytes:
        return "header-bytes";
    case Step::FieldValue:
        return "field-value";
    case Step::Count:
        break;
    }
    return "?";
}

void CFileMutator::Apply(Step step, std::vector<uint8_t>& bytes, CRandom& random) const
{
    const size_t size = bytes.size();
    switch (step)
    {
    case Step::FlipBits:
        for (size_t n = 1 + random.Below(8); n > 0; n--)
            bytes[PickOffset(size, random)] ^= static_cast<uint8_t>(1u << random.Below(8));
        return;
    case Step::RandomBytes:
    {
        size_t at = PickOffset(size, random);
        for (size_t n = 1 + random.Below(16); n > 0 && at < size; n--, at++)
            bytes[at] = static_cast<uint8_t>(random.Next());
        return;
    }
    case Step::InsertBytes:
    {
        std::vector<uint8_t> extra(1 + random.Below(8));
        for (uint8_t& byte : extra)
            byte = static_cast<uint8_t>(random.Next());
        const size_t at = PickOffset(size, random);
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), extra.begin(), extra.end());
        return;
    }
    case Step::Truncate:
        bytes.resize(PickOffset(size, random));
        return;
    case Step::DuplicateChunk:
    {
        size_t begin = 0;
        size_t end = 0;
        PickChunk(size, random, begin, end);
        const std::vector<uint8_t> chunk(bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                                         bytes.begin() + static_cast<std::ptrdiff_t>(end));
        const size_t at = random.Chance(50) ? end : PickOffset(size, random);
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), chunk.begin(), chunk.end());
        return;
    }
    case Step::RemoveChunk:
    {
        size_t begin = 0;
        size_t end = 0;
        PickChunk(size, random, begin, end);
        bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                    bytes.begin() + static_cast<std::ptrdiff_t>(end));
        return;
    }
    case Step::HeaderBytes:
    {
        // A record's first bytes: its id, kind, type or the length of its name.
        const size_t base = m_landmarks.empty() ? 0 : m_landmarks[random.Below(m_landmarks.size())];
        const size_t at = base + random.Below(12);
        static const uint8_t kWidths[] = {1, 2, 4};
        const uint8_t width = kWidths[random.Below(3)];
        if (at + width <= size)
            Store(bytes, at, width,
                  InterestingValue(Load(bytes, at, width), size - at - width, width, random));
        return;
    }
    case Step::FieldValue:
    {
        const std::vector<Field>& from = !m_headFields.empty() && random.Chance(70) ? m_headFields : m_fields;
        if (from.empty())
            return;
        const Field& field = from[random.Below(from.size())];
        if (field.offset + field.width <= size)
        {
            const size_t left = size - field.offset - field.width;
            Store(bytes, field.offset, field.width,
                  InterestingValue(Load(bytes, field.offset, field.width), left, field.width, random));
        }
        return;
    }
    case Step::Count:
        return;
    }
}

size_t CFileMutator::PickOffset(size_t size, CRandom& random) const
{
    if (size == 0)
        return 0;
    if (!m_landmarks.empty() && random.Chance(50))
    {
        const size_t at = m_landmarks[random.Below(m_landmarks.size())] + random.Below(12);
        if (at < size)
            return at;
    }
    return random.Below(size);
}

void CFileMutator::PickChunk(size_t size, CRandom& random, size_t& begin, size_t& end) const
{
    if (m_landmarks.size() >= 2 && random.Chance(60))
    {
        const size_t i = random.Below(m_landmarks.size() - 1);
        begin = std::min(m_landmarks[i], size);
        end = std::min({m_landmarks[i + 1], size, begin + kMaxChunk});
        return;
    }
    begin = random.Below(size);
    end = std::min(size, begin + 1 + random.Below(kMaxLooseChunk));
}

uint32_t CFileMutator::InterestingValue(uint32_t old, size_t left, uint8_t width, CRandom& random)
{
    const uint32_t max = width == 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1;
    const uint32_t fit = left > max ? max : static_cast<uint32_t>(left);
    const uint32_t values[] = {0,       1,       old - 1,     old + 1,     old * 2,  fit,
                               fit + 1, max,     max / 2,     max / 2 + 1, max - 1,  0x10000,
                               0x8000,  0x10001, 0x7FFFFFF0u, 0x40000000u, old ^ max};
    return values[random.Below(sizeof(values) / sizeof(values[0]))] & max;
}

void CFileMutator::Store(std::vector<uint8_t>& bytes, size_t offset, uint8_t width, uint32_t value)
{
    for (uint8_t i = 0; i < width; i++)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t CFileMutator::Load(const std::vector<uint8_t>& bytes, size_t offset, uint8_t width)
{
    uint32_t value = 0;
    for (uint8_t i = 0; i < width; i++)
        value |= static_cast<uint32_t>(bytes[offset + i]) << (8 * i);
    return value;
}

void CFileMutator::MapResourcePack(const std::vector<uint8_t>& bytes, std::vector<size_t>& landmarks,
                                   std::vector<Field>& fields)
{
    size_t pos = 0;
    while (bytes.size() - pos >= kPackRecordHeader)
    {
        const uint8_t type = bytes[pos];
        const uint32_t length = Le32(bytes, pos + 1);
        landmarks.push_back(pos);
        fields.push_back({pos + 1, 4});
        pos += kPackRecordHeader;
        if (type == 3 || type == 4)
            continue; // group markers: the group's records follow
        if (type == 1)
        {
            const auto zero = std::find(bytes.begin() + static_cast<std::ptrdiff_t>(pos), bytes.end(), 0);
            if (zero == bytes.end())
                return;
            pos = static_cast<size_t>(zero - bytes.begin()) + 1;
        }
        else if (type == 2 || type == 5)
        {
            if (bytes.size() - pos < 4)
                return;
            fields.push_back({pos, 4});
            pos += 4;
            for (size_t word = 0; word < kTableWords && (word + 1) * 4 <= length; word++)
                fields.push_back({pos + word * 4, 4});
        }
        if (bytes.size() - pos < length)
            return;
        pos += length;
    }
}

std::vector<CFileMutator::Field> CFileMutator::FindLengthFields(const std::vector<uint8_t>& bytes)
{
    std::vector<Field> fields;
    const size_t size = bytes.size();
    for (size_t i = 0; i + 4 <= size; i++)
    {
        const size_t text = static_cast<size_t>(bytes[i]) | static_cast<size_t>(bytes[i + 1]) << 8;
        if (text >= 2 && text <= kMaxTextLength && i + 2 + text <= size && bytes[i + 1 + text] == 0 &&
            std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(i + 2),
                        bytes.begin() + static_cast<std::ptrdiff_t>(i + 1 + text),
                        [](uint8_t c) { return c >= 0x20 && c < 0x7F; }))
            fields.push_back({i, 2});
        // Small values are everywhere in pictures and tables; a block length of the interface
        // file is seldom below 16.
        const uint32_t block = Le32(bytes, i);
        if (block >= 16 && block <= size - i - 4)
            fields.push_back({i, 4});
    }
    return fields;
}
