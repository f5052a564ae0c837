#pragma once
#include <cstdint>

// The three 256 x 256 byte tables that every blend of the interface reads, so that no pixel
// needs a division. Each table is indexed by (first << 8) | second; all divisions truncate.
//   unionTable[a][b]   = a + b x (255 - a) / 255   (alpha of a over b)
//   ratioTable[a][b]   = b x 255 / a, low byte only; 0 when a = 0
//   productTable[a][b] = a x b / 255
struct BlendTables
{
    uint8_t unionTable[256 * 256];
    uint8_t ratioTable[256 * 256];
    uint8_t productTable[256 * 256];
};

// The tables in use; null until BuildBlendTables has run. Written once before any thread draws
// and only read afterwards.
extern const BlendTables* g_BlendTables;

// Allocates and fills the tables. Every back end builds them when it is constructed and releases
// them when it is destroyed; the tables are counted, so a second back end (tests make several)
// shares them and the last release frees them. False when memory is short.
bool BuildBlendTables();
void ReleaseBlendTables();

// Table reads. The drawing operations check once per call that the tables exist; these do not.
inline uint8_t BlendUnion(uint32_t a, uint32_t b)
{
    return g_BlendTables->unionTable[(a << 8) | b];
}
inline uint8_t BlendRatio(uint32_t a, uint32_t b)
{
    return g_BlendTables->ratioTable[(a << 8) | b];
}
inline uint8_t BlendProduct(uint32_t a, uint32_t b)
{
    return g_BlendTables->productTable[(a << 8) | b];
}
