#version 410

uniform vec4 u_ShadowColor;

out vec4 out_Color;

void main() {
    out_Color = u_ShadowColor;
}
