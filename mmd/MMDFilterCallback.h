#pragma once

#include <BulletCollision/BroadphaseCollision/btOverlappingPairCache.h>

#include <vector>

namespace mmd {

// Broadphase filter of the physics world: two proxies meet when either is in the pass-through list (the ground
// plane) or when each one's group bit is in the other's mask.
class MMDFilterCallback : public btOverlapFilterCallback {
public:
    bool needBroadphaseCollision(btBroadphaseProxy* proxy0, btBroadphaseProxy* proxy1) const override;

    // Proxies that collide with everything regardless of masks. Observing pointers owned by the world.
    std::vector<btBroadphaseProxy*> m_nonFilteredProxy;
};

}  // namespace mmd
