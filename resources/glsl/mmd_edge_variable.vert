#version 410

// Locations are fixed so that both outline variants can draw from the same vertex-array object.
layout(location = 0) in vec3 in_Pos;
layout(location = 1) in vec3 in_Nor;
layout(location = 2) in float in_Edge;

uniform mat4 u_WV;
uniform mat4 u_WVP;
uniform vec2 u_ScreenSize;
uniform float u_EdgeSize;

void main() {
    vec3 n = mat3(u_WV) * in_Nor;
    vec4 p = u_WVP * vec4(in_Pos, 1.0);
    // A normal facing the viewer head-on has no screen direction; it stays in place instead of becoming NaN.
    float len = length(n.xy);
    vec2 d = len > 1.0e-6 ? n.xy / len : vec2(0.0);
    // Not scaled by w: the outline thins with distance (a third of the fixed width at w = 1).
    p.xy += d / (u_ScreenSize * 0.5 * 3.0) * u_EdgeSize * in_Edge;
    gl_Position = p;
}
