#version 410

in vec3 in_Pos;

out vec2 vs_Mismatch;

void main() {
    vs_Mismatch = in_Pos.xy;
    gl_Position = vec4(in_Pos, 1.0);
}
