#pragma once
#include <cstdint>

#include "render/DialogRect.h"

// The map of dirty 8 x 8-pixel cells of a surface, one byte per cell, row by row, and its merge
// into a few rectangles. Touched only by the tick thread.
class CDirtyMap
{
public:
    static constexpr int32_t kCellSize = 8;

    // A map of (width + 7) / 8 columns and (height + 7) / 8 rows, all clean. Sizes below 1 give
    // an empty map that ignores every call.
    CDirtyMap(int32_t surfaceWidth, int32_t surfaceHeight);
    ~CDirtyMap();
    CDirtyMap(const CDirtyMap&) = delete;
    CDirtyMap& operator=(const CDirtyMap&) = delete;

    int32_t GetColumns() const { return m_columns; }
    int32_t GetRows() const { return m_rows; }
    bool IsDirty(int32_t column, int32_t row) const;
    void SetCell(int32_t column, int32_t row, bool dirty);
    bool AnyDirty() const;

    // Marks every cell that the rectangle (clipped to the surface) touches.
    void Invalidate(int32_t x, int32_t y, int32_t width, int32_t height);

    // Clears the dirty cells and reports them as rectangles in surface pixels, scanning rows from
    // the top and each row from the left. A run of n dirty cells grows downwards while the row
    // below holds the same n cells dirty; the row where that ends is cleared from the left as far
    // as it is dirty and still counted, so the rectangle may cover a few clean cells.
    // Returns the number of rectangles.
    template <class Sink> int32_t Merge(Sink&& sink)
    {
        // Most ticks change nothing: a map known to be clean is not scanned.
        if (!m_maybeDirty)
            return 0;
        m_maybeDirty = false;
        int32_t produced = 0;
        for (int32_t row = 0; row < m_rows; ++row)
        {
            int32_t column = 0;
            while ((column = NextDirty(row, column)) >= 0)
            {
                DialogRect rect;
                int32_t run = TakeRect(row, column, rect);
                sink(static_cast<const DialogRect&>(rect));
                ++produced;
                column += run;
            }
        }
        return produced;
    }

private:
    // First dirty column at or after column in the row, -1 when none.
    int32_t NextDirty(int32_t row, int32_t column) const;
    // Clears the block that starts at (column, row) and returns its width in cells.
    int32_t TakeRect(int32_t row, int32_t column, DialogRect& rect);

    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_columns = 0;
    int32_t m_rows = 0;
    uint8_t* m_cells = nullptr;
    // False only when every cell is known to be clean (set by every marking, cleared by a merge,
    // which leaves the map clean).
    bool m_maybeDirty = false;
};
