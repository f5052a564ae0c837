#pragma once
#include <cstdint>

// The growable array of pointers used everywhere. It never owns what it holds: its owner
// deletes the items before it deletes the vector.
class CVector
{
public:
    explicit CVector(int32_t growStep = 16);
    virtual ~CVector();
    CVector(const CVector&) = delete;
    CVector& operator=(const CVector&) = delete;

    // Appends and returns the new count, which is the 1-based index of the item.
    int32_t Add(void* item);

    int32_t GetCount() const { return m_count; }
    int32_t GetCapacity() const { return m_capacity; }
    int32_t GetGrowStep() const { return m_growStep; }
    void* GetAt(int32_t index) const { return index >= 0 && index < m_count ? m_items[index] : nullptr; }
    template <class T> T* Get(int32_t index) const { return static_cast<T*>(GetAt(index)); }
    void SetAt(int32_t index, void* item)
    {
        if (index >= 0 && index < m_count)
            m_items[index] = item;
    }
    // Makes room for at least `capacity` entries at once: a loader that has read how many items
    // follow calls it first, so that thousands of items do not copy the array at every grow step.
    void Reserve(int32_t capacity);
    // Removes the entry at index, keeping the order of the rest.
    void RemoveAt(int32_t index);
    // Forgets every entry (the items themselves are the owner's).
    void RemoveAll() { m_count = 0; }
    // Index of the item, -1 when absent.
    int32_t IndexOf(const void* item) const;
    void** GetItems() const { return m_items; }

private:
    int32_t m_growStep;
    int32_t m_capacity = 0;
    int32_t m_count = 0;
    void** m_items = nullptr;
};
