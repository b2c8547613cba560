#version 410

out vec4 out_Color;

void main() {
    float unset;
    out_Color = vec4(unset);
}
