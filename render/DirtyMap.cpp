#include "render/DirtyMap.h"

#include <algorithm>
#include <cstring>

CDirtyMap::CDirtyMap(int32_t surfaceWidth, int32_t surfaceHeight)
{
    if (surfaceWidth < 1 || surfaceHeight < 1)
        return;
    m_width = surfaceWidth;
    m_height = surfaceHeight;
    m_columns = static_cast<int32_t>((static_cast<int64_t>(surfaceWidth) + kCellSize - 1) / kCellSize);
    m_rows = static_cast<int32_t>((static_cast<int64_t>(surfaceHeight) + kCellSize - 1) / kCellSize);
    size_t count = static_cast<size_t>(m_columns) * static_cast<size_t>(m_rows);
    m_cells = new uint8_t[count];
    std::memset(m_cells, 0, count);
}

CDirtyMap::~CDirtyMap()
{
    delete[] m_cells;
}

bool CDirtyMap::IsDirty(int32_t column, int32_t row) const
{
    if (column < 0 || column >= m_columns || row < 0 || row >= m_rows)
        return false;
    return m_cells[static_cast<size_t>(row) * m_columns + column] != 0;
}

void CDirtyMap::SetCell(int32_t column, int32_t row, bool dirty)
{
    if (column < 0 || column >= m_columns || row < 0 || row >= m_rows)
        return;
    m_cells[static_cast<size_t>(row) * m_columns + column] = dirty ? 1 : 0;
    if (dirty)
        m_maybeDirty = true;
}

bool CDirtyMap::AnyDirty() const
{
    if (!m_maybeDirty)
        return false;
    size_t count = static_cast<size_t>(m_columns) * static_cast<size_t>(m_rows);
    for (size_t i = 0; i < count; ++i)
    {
        if (m_cells[i])
            return true;
    }
    return false;
}

void CDirtyMap::Invalidate(int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (!m_cells)
        return;
    // 64-bit sums: items may pass any coordinates, and x + width must not wrap.
    int64_t x0 = std::max<int64_t>(x, 0);
    int64_t y0 = std::max<int64_t>(y, 0);
    int64_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + width, m_width);
    int64_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + height, m_height);
    if (x1 <= x0 || y1 <= y0)
        return;
    int32_t c0 = static_cast<int32_t>(x0 / kCellSize);
    int32_t c1 = static_cast<int32_t>((x1 - 1) / kCellSize);
    int32_t r0 = static_cast<int32_t>(y0 / kCellSize);
    int32_t r1 = static_cast<int32_t>((y1 - 1) / kCellSize);
    m_maybeDirty = true;
    for (int32_t r = r0; r <= r1; ++r)
        std::memset(m_cells + static_cast<size_t>(r) * m_columns + c0, 1, static_cast<size_t>(c1 - c0 + 1));
}

int32_t CDirtyMap::NextDirty(int32_t row, int32_t column) const
{
    const uint8_t* line = m_cells + static_cast<size_t>(row) * m_columns;
    int32_t c = column;
    // Eight clean cells at a time first: a row is mostly clean.
    for (; c + 8 <= m_columns; c += 8)
    {
        uint64_t eight;
        std::memcpy(&eight, line + c, sizeof eight);
        if (eight != 0)
            break;
    }
    for (; c < m_columns; ++c)
    {
        if (line[c])
            return c;
    }
    return -1;
}

int32_t CDirtyMap::TakeRect(int32_t row, int32_t column, DialogRect& rect)
{
    uint8_t* first = m_cells + static_cast<size_t>(row) * m_columns;
    int32_t run = 0;
    while (column + run < m_columns && first[column + run])
        ++run;

    int32_t counted = 0;
    for (int32_t r = row; r < m_rows; ++r)
    {
        uint8_t* line = m_cells + static_cast<size_t>(r) * m_columns;
        int32_t cleared = 0;
        while (cleared < run && line[column + cleared])
        {
            line[column + cleared] = 0;
            ++cleared;
        }
        ++counted;
        if (cleared < run)
            break;
    }

    rect.left = column * kCellSize;
    rect.top = row * kCellSize;
    rect.right = std::min((column + run) * kCellSize, m_width);
    rect.bottom = std::min((row + counted) * kCellSize, m_height);
    return run;
}
