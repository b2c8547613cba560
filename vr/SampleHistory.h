#pragma once

#include <cstddef>
#include <vector>

#include "app/base/Quaternion.h"

// The most recent rotations of one input, oldest dropped first. Storage is sized by the capacity, so adding
// never allocates.
class SampleHistory {
public:
    explicit SampleHistory(int capacity = 0);

    // Drops every value and sizes the storage for `capacity` values (negative counts as 0).
    void setCapacity(int capacity);
    int capacity() const { return static_cast<int>(m_values.size()); }
    int size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    void clear();

    // Appends q; once more than `capacity` values are held, the oldest goes. With capacity 0 nothing stays.
    void add(const Quaternion& q);
    // The value `i` places after the oldest one; i in [0, size()).
    const Quaternion& at(int i) const;
    // Exactly `capacity` values held (capacity above 0) and all equal to the first, component by component.
    bool isFrozen() const;
    // Component-wise average of the held values, not renormalised; identity when empty.
    Quaternion mean() const;

private:
    std::vector<Quaternion> m_values;
    int m_first = 0;
    int m_count = 0;
};
