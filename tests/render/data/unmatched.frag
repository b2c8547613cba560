#version 410

// The vertex stage writes this as a vec2: each stage compiles alone, the pair fails to link.
in vec3 vs_Mismatch;

out vec4 out_Color;

void main() {
    out_Color = vec4(vs_Mismatch, 1.0);
}
