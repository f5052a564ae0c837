// One tick of the running interface: timers of every page and popup, the update of the current
// page only, all under the back end's lock.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <thread>

#include "interface/DialogItem.h"
#include "screen/GDIDialogSystem.h"

namespace
{
class CountingItem : public CDialogItem
{
public:
    explicit CountingItem(CDialogItem* parent) : CDialogItem(0, parent) {}

    void OnTimer(uint32_t elapsedMs) override
    {
        ++timers;
        lastElapsed = elapsedMs;
        lockedDuringTimer = LockHeldElsewhere();
    }
    void Update(uint32_t elapsedMs) override
    {
        (void)elapsedMs;
        ++updates;
    }

    // True when another thread cannot take the back end's lock now.
    static bool LockHeldElsewhere()
    {
        bool taken = false;
        std::thread probe(
            [&]
            {
                CNerulanCriticalSection* lock = g_pDialogSystem->GetLock();
                taken = lock->TryEnter();
                if (taken)
                    lock->Leave();
            });
        probe.join();
        return !taken;
    }

    int timers = 0;
    int updates = 0;
    uint32_t lastElapsed = 0;
    bool lockedDuringTimer = false;
};

class TickableSystem : public CGDIDialogSystem
{
public:
    TickableSystem() : CGDIDialogSystem(0) {}
    void SetHistoryIndex(int32_t index) { m_historyIndex = index; }
};

TEST(CoreUpdate, TimersRunEverywhereAndUpdateOnlyOnTheCurrentPage)
{
    setenv("ALSOFT_DRIVERS", "null", 1);
    TickableSystem system;
    CountingItem* pages[2] = {new CountingItem(system.GetRootItem()), new CountingItem(system.GetRootItem())};
    CountingItem* popup = new CountingItem(system.GetRootItem());
    for (CountingItem* page : pages)
        system.GetPages()->Add(static_cast<CDialogItem*>(page));
    system.GetPopups()->Add(static_cast<CDialogItem*>(popup));

    // No current page yet: timers only.
    system.Update(5);
    EXPECT_EQ(1, pages[0]->timers);
    EXPECT_EQ(1, pages[1]->timers);
    EXPECT_EQ(1, popup->timers);
    EXPECT_EQ(0, pages[0]->updates + pages[1]->updates + popup->updates);
    EXPECT_TRUE(popup->lockedDuringTimer);

    // The history holds page 2 at index 0.
    system.GetPageHistory().push_back(2);
    system.SetHistoryIndex(0);
    EXPECT_EQ(2, system.GetCurrentPageNumber());
    system.Update(17);
    EXPECT_EQ(17u, pages[0]->lastElapsed);
    EXPECT_EQ(0, pages[0]->updates);
    EXPECT_EQ(1, pages[1]->updates);
    EXPECT_EQ(0, popup->updates);

    // An index beyond the history means no current page.
    system.SetHistoryIndex(3);
    EXPECT_EQ(nullptr, system.GetCurrentPage());
    system.Update(5);
    EXPECT_EQ(1, pages[1]->updates);
}
} // namespace
