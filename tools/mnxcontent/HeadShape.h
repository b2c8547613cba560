#pragma once

#include <glm/vec3.hpp>

namespace mnxc::head {

// The head is a lathe round a vertical axis: cross-sections are ellipses whose half-width, half-depth and centre Z
// depend on the height. The chin sits forward and low, the skull is round (PMX file frame).
constexpr float kCentreY = 17.1f;
constexpr float kRadiusY = 1.78f;
constexpr float kTop = kCentreY + kRadiusY;
constexpr float kChin = kCentreY - kRadiusY;

float HalfWidth(float y);
float HalfDepth(float y);
float CentreZ(float y);

// Point of the head surface at height y and angle round the axis (0 = front, pi/2 = the character's left),
// pushed out by `grow` along the section.
glm::vec3 Surface(float y, float angle, float grow = 0.0f);

// Point on the front of the face at (x, y), moved `offset` along the outward surface normal.
glm::vec3 Front(float x, float y, float offset);

// Outward surface normal of the face front at (x, y).
glm::vec3 FrontNormal(float x, float y);

}  // namespace mnxc::head
