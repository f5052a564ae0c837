#include <gtest/gtest.h>

#include "common/Vector.h"

TEST(Smoke, VectorAdds)
{
    CVector v(16);
    int x = 0;
    EXPECT_EQ(v.Add(&x), 1);
}
