#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "common/AbstractQueue.h"
#include "common/MouseQueue.h"

namespace
{
// A queued item that counts its living copies, so the tests see every clone and every delete.
class CountedItem : public CAbstractQueueItem
{
public:
    static std::atomic<int> s_alive;

    explicit CountedItem(int value, bool cloneFails = false) : m_value(value), m_cloneFails(cloneFails)
    {
        ++s_alive;
    }
    CountedItem(const CountedItem& other) : CAbstractQueueItem(), m_value(other.m_value), m_cloneFails(false)
    {
        ++s_alive;
    }
    ~CountedItem() override { --s_alive; }
    CAbstractQueueItem* Clone() const override { return m_cloneFails ? nullptr : new CountedItem(*this); }

    int m_value;
    bool m_cloneFails;
};
std::atomic<int> CountedItem::s_alive{0};

// Opens the ring for the checks.
class InspectableQueue : public CAbstractQueue
{
public:
    using CAbstractQueue::CAbstractQueue;
    int ValueAt(int32_t slot)
    {
        auto* item = static_cast<CountedItem*>(SlotAt(slot));
        return item ? item->m_value : -1;
    }
    using CAbstractQueue::GetHead;
};

int PeekValue(CAbstractQueue& queue)
{
    std::unique_ptr<CAbstractQueueItem> clone(queue.Peek());
    return clone ? static_cast<CountedItem*>(clone.get())->m_value : -1;
}

void Push(CAbstractQueue& queue, int value)
{
    CountedItem item(value);
    ASSERT_TRUE(queue.Push(&item));
}

class AbstractQueueTest : public ::testing::Test
{
protected:
    void SetUp() override { CountedItem::s_alive = 0; }
    void TearDown() override { EXPECT_EQ(CountedItem::s_alive, 0) << "a copy leaked or was deleted twice"; }
};

TEST_F(AbstractQueueTest, GrowingAWrappedRingUnrollsItInQueueOrder)
{
    InspectableQueue queue(2);
    Push(queue, 1);
    Push(queue, 2);
    queue.Pop();    // head at slot 1
    Push(queue, 3); // wraps into slot 0: the ring is [3, 2] with head 1
    ASSERT_EQ(queue.GetHead(), 1);
    Push(queue, 4); // full: grows by 2

    EXPECT_EQ(queue.GetCapacity(), 4);
    EXPECT_EQ(queue.GetHead(), 0);
    EXPECT_EQ(queue.ValueAt(0), 2);
    EXPECT_EQ(queue.ValueAt(1), 3);
    EXPECT_EQ(queue.ValueAt(2), 4);
    EXPECT_EQ(queue.ValueAt(3), -1);

    std::vector<int> drained;
    while (queue.GetCount() > 0)
    {
        drained.push_back(PeekValue(queue));
        queue.Pop();
    }
    EXPECT_EQ(drained, (std::vector<int>{2, 3, 4}));
}

TEST_F(AbstractQueueTest, OrderSurvivesRepeatedGrowthWhileWrapped)
{
    CAbstractQueue queue(3);
    int next = 0, expected = 0;
    // Interleave pushes and pops so that every growth finds the head somewhere inside the ring.
    for (int round = 0; round < 20; ++round)
    {
        for (int i = 0; i < 3; ++i)
            Push(queue, next++);
        for (int i = 0; i < 2; ++i)
        {
            ASSERT_EQ(PeekValue(queue), expected++);
            queue.Pop();
        }
    }
    EXPECT_EQ(queue.GetCount(), 20);
    EXPECT_EQ(queue.GetCapacity() % 3, 0); // grows by the capacity it was created with
    while (queue.GetCount() > 0)
    {
        ASSERT_EQ(PeekValue(queue), expected++);
        queue.Pop();
    }
    EXPECT_EQ(expected, next);
}

TEST_F(AbstractQueueTest, EmptyQueuePeeksNullAndPopsNothing)
{
    CAbstractQueue queue(4);
    EXPECT_EQ(queue.Peek(), nullptr);
    queue.Pop();
    EXPECT_EQ(queue.GetCount(), 0);
    Push(queue, 7);
    queue.Pop();
    queue.Pop(); // one more than there was
    EXPECT_EQ(queue.GetCount(), 0);
    Push(queue, 8);
    EXPECT_EQ(PeekValue(queue), 8);
}

TEST_F(AbstractQueueTest, KeepsItsOwnCopiesAndHandsOutFreshOnes)
{
    CAbstractQueue queue(2);
    {
        CountedItem item(5);
        ASSERT_TRUE(queue.Push(&item));
        item.m_value = 6; // the caller's item is not the queued one
    }
    EXPECT_EQ(CountedItem::s_alive, 1);
    std::unique_ptr<CAbstractQueueItem> first(queue.Peek());
    std::unique_ptr<CAbstractQueueItem> second(queue.Peek());
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(static_cast<CountedItem*>(first.get())->m_value, 5);
    EXPECT_EQ(CountedItem::s_alive, 3);
}

TEST_F(AbstractQueueTest, FailedCloneStoresNothing)
{
    CAbstractQueue queue(1);
    CountedItem refusing(1, true);
    EXPECT_FALSE(queue.Push(&refusing));
    EXPECT_FALSE(queue.Push(nullptr));
    EXPECT_EQ(queue.GetCount(), 0);
    Push(queue, 2);
    EXPECT_EQ(PeekValue(queue), 2);
}

TEST_F(AbstractQueueTest, ClearAndDestructionDeleteEveryCopy)
{
    auto* queue = new CAbstractQueue(2);
    for (int i = 0; i < 5; ++i)
        Push(*queue, i);
    queue->Pop();
    queue->Clear();
    EXPECT_EQ(CountedItem::s_alive, 0);
    EXPECT_EQ(queue->GetCount(), 0);
    EXPECT_EQ(queue->Peek(), nullptr);
    Push(*queue, 9); // usable after a clear
    EXPECT_EQ(PeekValue(*queue), 9);
    Push(*queue, 10);
    delete queue; // deletes the two left
}

TEST(AbstractQueueMouse, MouseEventsKeepTheirFields)
{
    CMouseQueue queue;
    EXPECT_EQ(queue.GetCapacity(), 128);
    CMouseData down(CMouseData::Down, -3, 70000);
    queue.Push(&down);
    std::unique_ptr<CAbstractQueueItem> clone(queue.Peek());
    auto* data = static_cast<CMouseData*>(clone.get());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->m_kind, CMouseData::Down);
    EXPECT_EQ(data->m_x, -3);
    EXPECT_EQ(data->m_y, 70000);
}

// Producers on their own threads, one consumer draining the way the tick thread does: every item
// arrives once and each producer's items keep their order. Run under the thread sanitizer too.
TEST_F(AbstractQueueTest, ConcurrentProducersAndOneConsumer)
{
    const int kProducers = 3;
    const int kPerProducer = 4000;
    CAbstractQueue queue(2); // small, so it grows while the threads race
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p)
        producers.emplace_back(
            [&queue, p]
            {
                for (int i = 0; i < kPerProducer; ++i)
                {
                    CountedItem item(p * kPerProducer + i);
                    queue.Push(&item);
                }
            });

    std::vector<int> lastSeen(kProducers, -1);
    int received = 0;
    while (received < kProducers * kPerProducer)
    {
        if (queue.GetCount() == 0)
        {
            std::this_thread::yield();
            continue;
        }
        std::unique_ptr<CAbstractQueueItem> clone(queue.Peek());
        if (!clone)
        {
            ADD_FAILURE() << "count was not 0 but Peek gave null";
            break;
        }
        int value = static_cast<CountedItem*>(clone.get())->m_value;
        queue.Pop();
        int producer = value / kPerProducer;
        if (lastSeen[producer] >= value % kPerProducer)
        {
            ADD_FAILURE() << "producer " << producer << " out of order at " << value % kPerProducer;
            break;
        }
        lastSeen[producer] = value % kPerProducer;
        ++received;
    }
    for (std::thread& t : producers)
        t.join();
    EXPECT_EQ(queue.GetCount(), 0);
    for (int p = 0; p < kProducers; ++p)
        EXPECT_EQ(lastSeen[p], kPerProducer - 1);
}
} // namespace
