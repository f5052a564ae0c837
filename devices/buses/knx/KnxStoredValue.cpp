#include "devices/buses/knx/KnxStoredValue.h"

#include "devices/buses/knx/KnxValueCodec.h"

bool CKnxStoredValue::Has() const
{
    CCriticalSectionGuard guard(&m_lock);
    return m_has;
}

std::unique_ptr<CNerulanValue> CKnxStoredValue::Copy() const
{
    CCriticalSectionGuard guard(&m_lock);
    return m_has ? std::make_unique<CNerulanValue>(m_value) : nullptr;
}

void CKnxStoredValue::Set(const CNerulanValue& value)
{
    CCriticalSectionGuard guard(&m_lock);
    m_value = value;
    m_has = true;
}

bool CKnxStoredValue::Exchange(const CNerulanValue& value)
{
    CCriticalSectionGuard guard(&m_lock);
    bool changed = !m_has || !KnxSameValue(&m_value, &value);
    m_value = value;
    m_has = true;
    return changed;
}
