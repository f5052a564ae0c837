#include <gtest/gtest.h>

#include <vector>

#include "common/Vector.h"

namespace
{
struct GrowthCase
{
    int32_t step;
    int32_t adds;
    int32_t capacity;
};

class VectorGrowth : public ::testing::TestWithParam<GrowthCase>
{
};

TEST_P(VectorGrowth, GrowsByItsStepAndKeepsOrder)
{
    const GrowthCase& c = GetParam();
    CVector v(c.step);
    std::vector<int> items(c.adds);
    for (int32_t i = 0; i < c.adds; ++i)
        EXPECT_EQ(v.Add(&items[i]), i + 1); // the new count is the 1-based index
    EXPECT_EQ(v.GetCount(), c.adds);
    EXPECT_EQ(v.GetCapacity(), c.capacity);
    for (int32_t i = 0; i < c.adds; ++i)
        EXPECT_EQ(v.GetAt(i), &items[i]) << "index " << i;
}

INSTANTIATE_TEST_SUITE_P(Steps, VectorGrowth,
                         ::testing::Values(GrowthCase{16, 1, 16}, GrowthCase{16, 16, 16},
                                           GrowthCase{16, 17, 32}, GrowthCase{4, 9, 12}, GrowthCase{2, 3, 4},
                                           GrowthCase{2, 100, 100}, GrowthCase{0, 3, 3},
                                           GrowthCase{-5, 2, 2}));

TEST(VectorGrowth, EmptyVectorHasNoArray)
{
    CVector v(16);
    EXPECT_EQ(v.GetCount(), 0);
    EXPECT_EQ(v.GetCapacity(), 0);
    EXPECT_EQ(v.GetItems(), nullptr);
    EXPECT_EQ(v.GetAt(0), nullptr);
}

TEST(VectorAccess, OutOfRangeIndexesAreHarmless)
{
    CVector v(4);
    int a = 0, b = 0, c = 0;
    v.Add(&a);
    v.Add(&b);
    EXPECT_EQ(v.GetAt(-1), nullptr);
    EXPECT_EQ(v.GetAt(2), nullptr); // inside the capacity, outside the count
    v.SetAt(2, &c);                 // ignored
    v.SetAt(-1, &c);
    EXPECT_EQ(v.GetCount(), 2);
    v.RemoveAt(5);
    v.RemoveAt(-1);
    EXPECT_EQ(v.GetCount(), 2);
    EXPECT_EQ(v.IndexOf(&c), -1);
}

TEST(VectorAccess, RemoveAtKeepsTheOrderOfTheRest)
{
    CVector v(2);
    int items[5] = {};
    for (int& item : items)
        v.Add(&item);
    v.RemoveAt(0);
    v.RemoveAt(3); // the last one
    v.RemoveAt(1);
    ASSERT_EQ(v.GetCount(), 2);
    EXPECT_EQ(v.GetAt(0), &items[1]);
    EXPECT_EQ(v.GetAt(1), &items[3]);
    EXPECT_EQ(v.IndexOf(&items[3]), 1);
    EXPECT_EQ(v.Add(&items[0]), 3); // adding after removals reuses the slots
    EXPECT_EQ(v.GetCapacity(), 6);
}
} // namespace

namespace
{
TEST(VectorAccess, ReserveKeepsTheItemsAndLaterAddsFillItBeforeGrowing)
{
    CVector v(2);
    int items[4] = {};
    v.Add(&items[0]);
    v.Reserve(1); // never shrinks
    EXPECT_EQ(v.GetCapacity(), 2);
    v.Reserve(3);
    EXPECT_EQ(v.GetCapacity(), 3);
    EXPECT_EQ(v.GetAt(0), &items[0]);
    v.Add(&items[1]);
    v.Add(&items[2]);
    EXPECT_EQ(v.GetCapacity(), 3);
    EXPECT_EQ(v.Add(&items[3]), 4);
    EXPECT_EQ(v.GetCapacity(), 5); // then the grow step again
    EXPECT_EQ(v.GetAt(2), &items[2]);
}
} // namespace
