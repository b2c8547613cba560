#include "mmd/MMDFilterCallback.h"

#include <algorithm>

namespace mmd {

bool MMDFilterCallback::needBroadphaseCollision(btBroadphaseProxy* proxy0, btBroadphaseProxy* proxy1) const {
    const auto passes = [this](const btBroadphaseProxy* proxy) {
        return std::find(m_nonFilteredProxy.begin(), m_nonFilteredProxy.end(), proxy) != m_nonFilteredProxy.end();
    };
    if (passes(proxy0) || passes(proxy1)) {
        return true;
    }
    return (proxy0->m_collisionFilterGroup & proxy1->m_collisionFilterMask) != 0 &&
           (proxy1->m_collisionFilterGroup & proxy0->m_collisionFilterMask) != 0;
}

}  // namespace mmd
