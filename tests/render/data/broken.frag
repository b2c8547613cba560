#version 410

out vec4 out_Color;

void main() {
    out_Color = vec4(1.0) * undeclared_thing;
}
