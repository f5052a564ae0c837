#pragma once
#include <memory>

#include "common/NerulanCriticalSection.h"
#include "common/NerulanValue.h"

// The value a KNX or object-server channel keeps: the initial value from the project, later the
// last value sent or received. The transport thread stores received values while the tick thread
// reads the value for a write without one, so every access takes the holder's lock.
class CKnxStoredValue
{
public:
    bool Has() const;
    // A copy of the value; null when the channel has none.
    std::unique_ptr<CNerulanValue> Copy() const;
    void Set(const CNerulanValue& value);
    // Stores the value; true when it differs from the one stored before.
    bool Exchange(const CNerulanValue& value);

private:
    mutable CNerulanCriticalSection m_lock;
    bool m_has = false;
    CNerulanValue m_value;
};
