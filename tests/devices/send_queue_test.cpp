// The send queue: tagged copies, the head's tag, and tags that must not wait twice.
#include "devices/SendQueue.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
TEST(SendQueue, QueuesCopiesWithTheirTags)
{
    CSendQueue queue(2);
    EXPECT_EQ(queue.PeekTag(), 0);
    uint8_t bytes[] = {1, 2, 3};
    ASSERT_TRUE(queue.AddData(7, bytes, 3));
    bytes[0] = 9; // the queue holds its own copy
    ASSERT_TRUE(queue.AddData(-2, nullptr, 0));
    ASSERT_TRUE(queue.AddData(5, bytes, 1)); // grows past its first capacity
    EXPECT_EQ(queue.GetCount(), 3);
    EXPECT_EQ(queue.PeekTag(), 7);

    std::unique_ptr<CQueueData> head(queue.PeekData());
    ASSERT_TRUE(head);
    EXPECT_EQ(head->GetTag(), 7);
    ASSERT_EQ(head->GetLength(), 3u);
    EXPECT_EQ(head->GetBytes()[0], 1);
    queue.Pop();

    std::unique_ptr<CQueueData> empty(queue.PeekData());
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->GetTag(), -2);
    EXPECT_EQ(empty->GetLength(), 0u);
    EXPECT_EQ(empty->GetBytes(), nullptr);
}

TEST(SendQueue, AddDataOnceRefusesATagAlreadyWaiting)
{
    CSendQueue queue(2);
    uint8_t b = 0;
    EXPECT_TRUE(queue.AddDataOnce(1, &b, 1));
    EXPECT_TRUE(queue.AddDataOnce(2, &b, 1));
    EXPECT_FALSE(queue.AddDataOnce(1, &b, 1));
    EXPECT_TRUE(queue.ContainsTag(2));
    // Wrap the ring: the search follows it from the head.
    queue.Pop();
    EXPECT_TRUE(queue.AddDataOnce(3, &b, 1));
    EXPECT_FALSE(queue.AddDataOnce(3, &b, 1));
    EXPECT_TRUE(queue.AddDataOnce(1, &b, 1));
    EXPECT_EQ(queue.GetCount(), 3);
    queue.Clear();
    EXPECT_FALSE(queue.ContainsTag(2));
    EXPECT_EQ(queue.PeekTag(), 0);
}
} // namespace
