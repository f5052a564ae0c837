#pragma once
#include <cstdint>

// Grows a full ring buffer by `growth` entries. The waiting entries are unrolled once, oldest
// first, to the front of the larger array, so the read index becomes 0 and the write index the
// count; new slots are value-initialised (null pointers, default records).
template <class T>
void GrowFullRing(T*& ring, int32_t& capacity, int32_t growth, int32_t count, int32_t& readIndex,
                  int32_t& writeIndex)
{
    const int32_t larger = capacity + growth;
    T* grown = new T[larger]();
    for (int32_t i = 0; i < count; ++i)
        grown[i] = ring[(readIndex + i) % capacity];
    delete[] ring;
    ring = grown;
    readIndex = 0;
    writeIndex = count;
    capacity = larger;
}
