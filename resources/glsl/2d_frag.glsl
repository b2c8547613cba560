#version 410

uniform sampler2D diffuse;

in vec4 vColor;
in vec2 vTexCoord;

out vec4 outputColor;

void main() {
    outputColor = texture(diffuse, vTexCoord) * vColor;
}
