#include "common/Vector.h"

#include <cstring>

CVector::CVector(int32_t growStep) : m_growStep(growStep > 0 ? growStep : 1) {}

CVector::~CVector() { delete[] m_items; }

int32_t CVector::Add(void* item)
{
    if (m_count == m_capacity)
        Reserve(m_capacity + m_growStep);
    m_items[m_count++] = item;
    return m_count;
}

void CVector::Reserve(int32_t capacity)
{
    if (capacity <= m_capacity)
        return;
    void** items = new void*[capacity];
    if (m_count > 0)
        std::memcpy(items, m_items, sizeof(void*) * m_count);
    delete[] m_items;
    m_items = items;
    m_capacity = capacity;
}

void CVector::RemoveAt(int32_t index)
{
    if (index < 0 || index >= m_count)
        return;
    std::memmove(m_items + index, m_items + index + 1, sizeof(void*) * (m_count - index - 1));
    --m_count;
}

int32_t CVector::IndexOf(const void* item) const
{
    for (int32_t i = 0; i < m_count; ++i)
        if (m_items[i] == item)
            return i;
    return -1;
}
