#include "render/BlendTables.h"

#include <mutex>
#include <new>

const BlendTables* g_BlendTables = nullptr;

namespace
{
std::mutex g_tablesMutex;
int32_t g_tablesUsers = 0;

void FillBlendTables(BlendTables* tables)
{
    for (uint32_t a = 0; a < 256; ++a)
    {
        for (uint32_t b = 0; b < 256; ++b)
        {
            const uint32_t index = (a << 8) | b;
            tables->unionTable[index] = static_cast<uint8_t>(a + b * (255 - a) / 255);
            // The quotient exceeds 255 when b > a; only its low byte is kept.
            tables->ratioTable[index] = static_cast<uint8_t>(a == 0 ? 0 : b * 255 / a);
            tables->productTable[index] = static_cast<uint8_t>(a * b / 255);
        }
    }
}
} // namespace

bool BuildBlendTables()
{
    std::lock_guard<std::mutex> guard(g_tablesMutex);
    if (g_tablesUsers == 0)
    {
        BlendTables* tables = new (std::nothrow) BlendTables;
        if (tables == nullptr)
        {
            return false;
        }
        FillBlendTables(tables);
        g_BlendTables = tables;
    }
    ++g_tablesUsers;
    return true;
}

void ReleaseBlendTables()
{
    std::lock_guard<std::mutex> guard(g_tablesMutex);
    if (g_tablesUsers == 0)
    {
        return;
    }
    if (--g_tablesUsers == 0)
    {
        delete g_BlendTables;
        g_BlendTables = nullptr;
    }
}
