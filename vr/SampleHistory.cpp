#include "vr/SampleHistory.h"

#include <cassert>

SampleHistory::SampleHistory(int capacity) { setCapacity(capacity); }

void SampleHistory::setCapacity(int capacity) {
    m_values.assign(static_cast<size_t>(capacity > 0 ? capacity : 0), Quaternion{});
    clear();
}

void SampleHistory::clear() {
    m_first = 0;
    m_count = 0;
}

void SampleHistory::add(const Quaternion& q) {
    const int cap = capacity();
    if (cap == 0) return;
    if (m_count < cap) {
        m_values[static_cast<size_t>((m_first + m_count) % cap)] = q;
        ++m_count;
    } else {
        m_values[static_cast<size_t>(m_first)] = q;
        m_first = (m_first + 1) % cap;
    }
}

const Quaternion& SampleHistory::at(int i) const {
    assert(i >= 0 && i < m_count);
    return m_values[static_cast<size_t>((m_first + i) % capacity())];
}

bool SampleHistory::isFrozen() const {
    if (m_count == 0 || m_count != capacity()) return false;
    const Quaternion& first = at(0);
    for (int i = 1; i < m_count; ++i) {
        if (at(i) != first) return false;
    }
    return true;
}

Quaternion SampleHistory::mean() const {
    if (m_count == 0) return Quaternion{};
    Quaternion sum{0.0f, 0.0f, 0.0f, 0.0f};
    for (int i = 0; i < m_count; ++i) {
        const Quaternion& q = at(i);
        sum.w += q.w;
        sum.x += q.x;
        sum.y += q.y;
        sum.z += q.z;
    }
    const float n = static_cast<float>(m_count);
    return Quaternion{sum.w / n, sum.x / n, sum.y / n, sum.z / n};
}
