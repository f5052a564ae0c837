#pragma once
#include <cstdint>

#include "sound/mpeg/MpegBitReader.h"

// The Layer III Huffman code tables as two-level lookup tables: the first 8 bits of a code
// index a root table whose entries are either a decoded value or a pointer to a sub-table for
// the remaining bits. One 32-bit peek decodes any code (the longest is 19 bits).
struct MpegHuffmanCode
{
    const uint16_t* codes; // code words, row-major by x then y (or by quadruple value)
    const uint8_t* lengths;
    uint8_t size; // values per dimension (pairs) or 16 (quadruples)
};

// The source tables: index 0 to 15 by code table (0, 4 and 14 have no code), 16 table 16 (also
// used by 17 to 23), 17 table 24 (also used by 25 to 31), 18 quadruple table A.
const MpegHuffmanCode* MpegHuffmanSource(int index);

struct MpegHuffmanSet
{
    static constexpr int kRootBits = 8;
    static constexpr int kCapacity = 16384;
    static constexpr uint32_t kPointer = 0x80000000u;

    uint32_t entries[kCapacity] = {};
    int used = 0;
    int32_t root[19] = {}; // offset of each source table's root, -1 when it has none

    // Builds the lookups of every table; false when a table is not a prefix code or the
    // capacity is too small (a fault of the tables themselves).
    bool Build();

    // Decodes one symbol of source table `index` (which must have a root): x << 4 | y, or the
    // quadruple's four bits.
    uint32_t Decode(MpegBitReader& reader, int index) const
    {
        uint32_t length;
        uint32_t value = DecodeBits(reader.Peek32(), index, length);
        reader.Skip(length);
        return value;
    }

    // The same on 32 bits already peeked (left-aligned); length receives the code's length.
    uint32_t DecodeBits(uint32_t bits, int index, uint32_t& length) const
    {
        uint32_t entry = entries[root[index] + (bits >> (32 - kRootBits))];
        if (entry & kPointer)
        {
            uint32_t subBits = (entry >> 16) & 31;
            uint32_t offset = entry & 0xFFFF;
            entry = entries[offset + ((bits << kRootBits) >> (32 - subBits))];
        }
        length = (entry >> 8) & 31;
        return entry & 0xFF;
    }

private:
    bool BuildOne(int index);
};

// Big-value tables: code table (source index) and linbits of table_select 0 to 31; a source of -1
// means the table decodes to zeros (0, 4 and 14).
struct MpegBigValueTable
{
    int8_t source;
    uint8_t linbits;
};
extern const MpegBigValueTable kMpegBigValueTables[32];
