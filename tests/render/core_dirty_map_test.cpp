#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "render/DirtyMap.h"

namespace
{
struct Cell
{
    int32_t column;
    int32_t row;
};

std::string Describe(const std::vector<DialogRect>& rects)
{
    std::string text;
    for (const DialogRect& r : rects)
        text += "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) +
                "," + std::to_string(r.bottom) + ") ";
    return text;
}

std::vector<DialogRect> MergeAll(CDirtyMap& map)
{
    std::vector<DialogRect> rects;
    map.Merge([&](const DialogRect& r) { rects.push_back(r); });
    return rects;
}

struct InvalidateCase
{
    const char* name;
    int32_t width, height;      // surface
    int32_t x, y, w, h;         // invalidated rectangle
    std::vector<Cell> expected; // exactly these cells dirty
};

class DirtyMapInvalidate : public ::testing::TestWithParam<InvalidateCase>
{
};

TEST_P(DirtyMapInvalidate, MarksExactlyTheTouchedCells)
{
    const InvalidateCase& c = GetParam();
    CDirtyMap map(c.width, c.height);
    map.Invalidate(c.x, c.y, c.w, c.h);
    for (int32_t row = 0; row < map.GetRows(); ++row)
    {
        for (int32_t column = 0; column < map.GetColumns(); ++column)
        {
            bool wanted = false;
            for (const Cell& cell : c.expected)
                wanted = wanted || (cell.column == column && cell.row == row);
            EXPECT_EQ(wanted, map.IsDirty(column, row)) << "cell " << column << "," << row;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DirtyMapInvalidate,
    ::testing::Values(InvalidateCase{"NegativeOriginClipsToFirstCell", 64, 64, -5, -5, 10, 10, {{0, 0}}},
                      InvalidateCase{"StraddlesCellBorder", 64, 64, 6, 0, 4, 1, {{0, 0}, {1, 0}}},
                      InvalidateCase{"ExactCellTouchesOnlyIt", 64, 64, 8, 8, 8, 8, {{1, 1}}},
                      InvalidateCase{"EmptyWidth", 64, 64, 10, 10, 0, 5, {}},
                      InvalidateCase{"NegativeHeight", 64, 64, 10, 10, 5, -5, {}},
                      InvalidateCase{"WhollyOutsideRight", 64, 64, 64, 0, 10, 10, {}},
                      InvalidateCase{"WhollyAboveTop", 64, 64, 0, -20, 10, 20, {}},
                      InvalidateCase{"PartialLastColumnOfNarrowSurface", 100, 8, 99, 0, 50, 1, {{12, 0}}},
                      InvalidateCase{"HugeWidthDoesNotWrap", 16, 8, INT32_MAX - 1, 0, 100, 8, {}},
                      InvalidateCase{
                          "HugeSizeCoversAll", 16, 8, 0, 0, INT32_MAX, INT32_MAX, {{0, 0}, {1, 0}}}),
    [](const ::testing::TestParamInfo<InvalidateCase>& info) { return std::string(info.param.name); });

struct MergeCase
{
    const char* name;
    int32_t width, height;
    std::vector<Cell> dirty;
    std::vector<DialogRect> expected; // in the order produced
};

class DirtyMapMerge : public ::testing::TestWithParam<MergeCase>
{
};

TEST_P(DirtyMapMerge, ProducesTheRectanglesAndClearsTheMap)
{
    const MergeCase& c = GetParam();
    CDirtyMap map(c.width, c.height);
    for (const Cell& cell : c.dirty)
        map.SetCell(cell.column, cell.row, true);
    std::vector<DialogRect> rects = MergeAll(map);
    ASSERT_EQ(c.expected.size(), rects.size()) << Describe(rects);
    for (size_t i = 0; i < rects.size(); ++i)
    {
        EXPECT_EQ(c.expected[i].left, rects[i].left) << i << ": " << Describe(rects);
        EXPECT_EQ(c.expected[i].top, rects[i].top) << i << ": " << Describe(rects);
        EXPECT_EQ(c.expected[i].right, rects[i].right) << i << ": " << Describe(rects);
        EXPECT_EQ(c.expected[i].bottom, rects[i].bottom) << i << ": " << Describe(rects);
    }
    EXPECT_FALSE(map.AnyDirty());
    EXPECT_EQ(0u, MergeAll(map).size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DirtyMapMerge,
    ::testing::Values(
        MergeCase{"TwoByTwoBlockOnTheLastRowsIsOneSquare",
                  64,
                  32,
                  {{0, 2}, {1, 2}, {0, 3}, {1, 3}},
                  {{0, 16, 16, 32}}},
        // The block grows down while the whole run is dirty; the row where that ends is counted
        // even when none of its cells was dirty.
        MergeCase{
            "TwoByTwoBlockTakesTheRowBelow", 64, 64, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}, {{0, 0, 16, 24}}},
        // The row below is cleared only as far as it is dirty but the rectangle still spans it.
        MergeCase{
            "WideRunOverNarrowerRun", 64, 64, {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}}, {{0, 0, 24, 16}}},
        // A run with a clean row below still takes that row.
        MergeCase{"RunAboveCleanRowCountsIt", 64, 64, {{2, 1}, {3, 1}}, {{16, 8, 32, 24}}},
        MergeCase{"RunOnLastRowStaysOneRowHigh", 64, 16, {{0, 1}}, {{0, 8, 8, 16}}},
        MergeCase{"LastColumnOfWidth100EndsAt100", 100, 16, {{12, 0}, {12, 1}}, {{96, 0, 100, 16}}},
        MergeCase{"LastRowOfHeight20EndsAt20", 16, 20, {{0, 2}}, {{0, 16, 8, 20}}},
        MergeCase{"TwoRunsInOneRow", 64, 8, {{0, 0}, {3, 0}, {4, 0}}, {{0, 0, 8, 8}, {24, 0, 40, 8}}},
        // The rest of a wider run below is picked up when its own row is scanned.
        MergeCase{"NarrowRunOverWiderRun",
                  64,
                  64,
                  {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}},
                  {{0, 0, 16, 24}, {16, 8, 32, 24}}},
        MergeCase{"ColumnGrowsDownUntilGap",
                  16,
                  64,
                  {{0, 0}, {0, 1}, {0, 2}, {0, 4}},
                  {{0, 0, 8, 32}, {0, 32, 8, 48}}},
        MergeCase{"NothingDirty", 64, 64, {}, {}}),
    [](const ::testing::TestParamInfo<MergeCase>& info) { return std::string(info.param.name); });

TEST(DirtyMap, SizeInCellsRoundsUp)
{
    CDirtyMap map(100, 9);
    EXPECT_EQ(13, map.GetColumns());
    EXPECT_EQ(2, map.GetRows());
}

TEST(DirtyMap, EmptySurfaceIgnoresEverything)
{
    CDirtyMap map(0, 10);
    map.Invalidate(0, 0, 100, 100);
    map.SetCell(0, 0, true);
    EXPECT_FALSE(map.AnyDirty());
    EXPECT_EQ(0u, MergeAll(map).size());
}

TEST(DirtyMap, InvalidateThenMergeGivesTheCellAlignedCover)
{
    CDirtyMap map(100, 50);
    map.Invalidate(10, 10, 20, 5); // cells 1..3 of row 1
    std::vector<DialogRect> rects = MergeAll(map);
    ASSERT_EQ(1u, rects.size());
    EXPECT_EQ(8, rects[0].left);
    EXPECT_EQ(8, rects[0].top);
    EXPECT_EQ(32, rects[0].right);
    EXPECT_EQ(24, rects[0].bottom); // the clean row below is counted
}
} // namespace
