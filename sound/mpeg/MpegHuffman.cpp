#include "sound/mpeg/MpegHuffman.h"

namespace
{
constexpr int kMaxCodeLength = 19;
// A root or sub-table entry: decoded value in bits 0-7, code length in bits 8-12. An entry that
// no code reaches keeps length 0 and decodes as value 0 without consuming bits beyond the
// caller's guard, which only a damaged stream can hit.
uint32_t Leaf(uint32_t value, uint32_t length)
{
    return (length << 8) | value;
}

} // namespace

bool MpegHuffmanSet::Build()
{
    used = 0;
    for (int i = 0; i < 19; ++i)
    {
        root[i] = -1;
        if (MpegHuffmanSource(i) && !BuildOne(i))
            return false;
    }
    return true;
}

bool MpegHuffmanSet::BuildOne(int index)
{
    const MpegHuffmanCode& code = *MpegHuffmanSource(index);
    // Quadruple table A has one dimension of 16 values; pair tables size x size.
    const bool quad = (index == 18);
    const int symbols = quad ? 16 : code.size * code.size;
    const int rootSize = 1 << kRootBits;
    if (used + rootSize > kCapacity)
        return false;
    const int rootOffset = used;
    root[index] = rootOffset;
    used += rootSize;
    for (int e = 0; e < rootSize; ++e)
        entries[rootOffset + e] = 0;

    // Longest code below each root prefix gives that prefix's sub-table size.
    int subBits[1 << kRootBits] = {};
    for (int i = 0; i < symbols; ++i)
    {
        int length = code.lengths[i];
        if (length < 1 || length > kMaxCodeLength || (code.codes[i] >> length) != 0)
            return false;
        if (length > kRootBits)
        {
            int prefix = code.codes[i] >> (length - kRootBits);
            if (length - kRootBits > subBits[prefix])
                subBits[prefix] = length - kRootBits;
        }
    }
    for (int prefix = 0; prefix < rootSize; ++prefix)
    {
        if (!subBits[prefix])
            continue;
        int size = 1 << subBits[prefix];
        if (used + size > kCapacity || used > 0xFFFF)
            return false;
        entries[rootOffset + prefix] =
            kPointer | (static_cast<uint32_t>(subBits[prefix]) << 16) | static_cast<uint32_t>(used);
        for (int e = 0; e < size; ++e)
            entries[used + e] = 0;
        used += size;
    }
    for (int i = 0; i < symbols; ++i)
    {
        int length = code.lengths[i];
        uint32_t word = code.codes[i];
        uint32_t value =
            quad ? static_cast<uint32_t>(i) : static_cast<uint32_t>(((i / code.size) << 4) | (i % code.size));
        if (length <= kRootBits)
        {
            int shift = kRootBits - length;
            for (uint32_t fill = 0; fill < (1u << shift); ++fill)
            {
                uint32_t& slot = entries[rootOffset + ((word << shift) | fill)];
                if (slot != 0) // two codes share a prefix: not a prefix code
                    return false;
                slot = Leaf(value, length);
            }
            continue;
        }
        uint32_t prefix = word >> (length - kRootBits);
        uint32_t pointer = entries[rootOffset + prefix];
        int bits = (pointer >> 16) & 31;
        int offset = pointer & 0xFFFF;
        uint32_t rest = word & ((1u << (length - kRootBits)) - 1);
        int shift = bits - (length - kRootBits);
        for (uint32_t fill = 0; fill < (1u << shift); ++fill)
        {
            uint32_t& slot = entries[offset + ((rest << shift) | fill)];
            if (slot != 0)
                return false;
            slot = Leaf(value, length);
        }
    }
    return true;
}
