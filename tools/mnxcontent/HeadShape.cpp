#include "HeadShape.h"

#include <algorithm>
#include <cmath>

#include <glm/geometric.hpp>

namespace mnxc::head {
namespace {

float Latitude(float y) { return std::clamp((y - kCentreY) / kRadiusY, -1.0f, 1.0f); }

float Base(float t) { return std::sqrt(std::max(0.0f, 1.0f - t * t)); }

}  // namespace

float HalfWidth(float y) {
    const float t = Latitude(y);
    return 1.5f * Base(t) * (t < 0.0f ? 1.0f - 0.3f * t * t : 1.0f);
}

float HalfDepth(float y) {
    const float t = Latitude(y);
    return 1.6f * Base(t) * (t < 0.0f ? 1.0f - 0.12f * t * t : 1.0f);
}

float CentreZ(float y) {
    const float t = Latitude(y);
    return 0.05f - (t < 0.0f ? 0.75f * t * t : 0.0f);
}

glm::vec3 Surface(float y, float angle, float grow) {
    const float rx = HalfWidth(y) + grow;
    const float rz = HalfDepth(y) + grow;
    return glm::vec3(rx * std::sin(angle), y, CentreZ(y) - rz * std::cos(angle));
}

static glm::vec3 FrontRaw(float x, float y) {
    const float rx = std::max(HalfWidth(y), 1e-4f);
    const float q = std::clamp(x / rx, -0.999f, 0.999f);
    return glm::vec3(x, y, CentreZ(y) - HalfDepth(y) * std::sqrt(1.0f - q * q));
}

glm::vec3 FrontNormal(float x, float y) {
    const float e = 0.01f;
    const glm::vec3 tx = FrontRaw(x + e, y) - FrontRaw(x - e, y);
    const glm::vec3 ty = FrontRaw(x, y + e) - FrontRaw(x, y - e);
    return glm::normalize(glm::cross(ty, tx));
}

glm::vec3 Front(float x, float y, float offset) { return FrontRaw(x, y) + FrontNormal(x, y) * offset; }

}  // namespace mnxc::head
