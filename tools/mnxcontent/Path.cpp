#include "Path.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include <glm/geometric.hpp>
#include <glm/gtc/constants.hpp>

namespace mnxc {
namespace {

constexpr int kSamplesPerSegment = 24;

glm::vec3 CatmullRom(const glm::vec3& p0, const glm::vec3& p1, const glm::vec3& p2, const glm::vec3& p3, float t) {
    const float t2 = t * t;
    const float t3 = t2 * t;
    return 0.5f * ((2.0f * p1) + (-p0 + p2) * t + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * t2 +
                   (-p0 + 3.0f * p1 - 3.0f * p2 + p3) * t3);
}

glm::vec3 AnyPerpendicular(const glm::vec3& t) {
    const glm::vec3 axis = std::fabs(t.y) < 0.9f ? glm::vec3(0.0f, 1.0f, 0.0f) : glm::vec3(1.0f, 0.0f, 0.0f);
    return glm::normalize(glm::cross(axis, t));
}

}  // namespace

Path::Path(const std::vector<glm::vec3>& points, const glm::vec3& normalHint) {
    assert(points.size() >= 2);
    std::vector<glm::vec3> dense;
    const size_t n = points.size();
    for (size_t i = 0; i + 1 < n; ++i) {
        const glm::vec3 p0 = i == 0 ? 2.0f * points[0] - points[1] : points[i - 1];
        const glm::vec3 p3 = i + 2 >= n ? 2.0f * points[n - 1] - points[n - 2] : points[i + 2];
        for (int k = 0; k < kSamplesPerSegment; ++k) {
            dense.push_back(CatmullRom(p0, points[i], points[i + 1], p3, static_cast<float>(k) / kSamplesPerSegment));
        }
    }
    dense.push_back(points.back());

    m_samples.resize(dense.size());
    m_arc.resize(dense.size());
    m_arc[0] = 0.0f;
    for (size_t i = 1; i < dense.size(); ++i) {
        m_arc[i] = m_arc[i - 1] + glm::length(dense[i] - dense[i - 1]);
    }
    m_length = m_arc.back();
    for (size_t i = 0; i < dense.size(); ++i) {
        const glm::vec3 a = dense[i == 0 ? 0 : i - 1];
        const glm::vec3 b = dense[i + 1 < dense.size() ? i + 1 : i];
        m_samples[i].position = dense[i];
        m_samples[i].tangent = glm::normalize(b - a);
    }
    glm::vec3 normal = normalHint - m_samples[0].tangent * glm::dot(normalHint, m_samples[0].tangent);
    normal = glm::length(normal) > 1e-4f ? glm::normalize(normal) : AnyPerpendicular(m_samples[0].tangent);
    for (size_t i = 0; i < m_samples.size(); ++i) {
        const glm::vec3 t = m_samples[i].tangent;
        normal = normal - t * glm::dot(normal, t);
        normal = glm::length(normal) > 1e-6f ? glm::normalize(normal) : AnyPerpendicular(t);
        m_samples[i].normal = normal;
        m_samples[i].binormal = glm::normalize(glm::cross(t, normal));
    }
}

Path::Frame Path::At(float s) const {
    s = std::clamp(s, 0.0f, m_length);
    const auto it = std::upper_bound(m_arc.begin(), m_arc.end(), s);
    if (it == m_arc.end()) {
        return m_samples.back();
    }
    const size_t i = static_cast<size_t>(it - m_arc.begin());
    if (i == 0) {
        return m_samples.front();
    }
    const float span = m_arc[i] - m_arc[i - 1];
    const float t = span > 0.0f ? (s - m_arc[i - 1]) / span : 0.0f;
    const Frame& a = m_samples[i - 1];
    const Frame& b = m_samples[i];
    Frame f;
    f.position = a.position + (b.position - a.position) * t;
    f.tangent = glm::normalize(a.tangent + (b.tangent - a.tangent) * t);
    f.normal = a.normal + (b.normal - a.normal) * t;
    f.normal = glm::normalize(f.normal - f.tangent * glm::dot(f.normal, f.tangent));
    f.binormal = glm::normalize(glm::cross(f.tangent, f.normal));
    return f;
}

MeshBuilder::SurfaceFn Tube(const Path& path, RadiusFn radius, float exponent) {
    return [&path, radius, exponent](float u, float v) {
        const Path::Frame f = path.At(v * path.Length());
        const glm::vec2 r = radius(v);
        const float a = u * glm::two_pi<float>();
        SurfacePoint p;
        const float c = std::cos(a);
        const float sn = std::sin(a);
        const float cx = exponent == 1.0f ? c : std::copysign(std::pow(std::fabs(c), exponent), c);
        const float sy = exponent == 1.0f ? sn : std::copysign(std::pow(std::fabs(sn), exponent), sn);
        p.position = f.position + f.normal * (r.x * cx) + f.binormal * (r.y * sy);
        p.uv = glm::vec2(u, v);
        return p;
    };
}

float RoundEnd(float d, float c) {
    if (c <= 0.0f || d >= c) {
        return 1.0f;
    }
    const float x = 1.0f - std::max(d, 0.0f) / c;
    return std::sqrt(std::max(0.0f, 1.0f - x * x));
}

float Smooth(float edge0, float edge1, float x) {
    float t = (x - edge0) / (edge1 - edge0);
    t = std::clamp(t, 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float Curve(const std::vector<glm::vec2>& keys, float x) {
    assert(!keys.empty());
    if (x <= keys.front().x) {
        return keys.front().y;
    }
    for (size_t i = 1; i < keys.size(); ++i) {
        if (x <= keys[i].x) {
            const float t = (x - keys[i - 1].x) / (keys[i].x - keys[i - 1].x);
            // Cosine easing keeps profiles free of visible kinks at the keys.
            const float k = 0.5f - 0.5f * std::cos(t * glm::pi<float>());
            return keys[i - 1].y + (keys[i].y - keys[i - 1].y) * k;
        }
    }
    return keys.back().y;
}

}  // namespace mnxc
