#version 140

uniform sampler2D diffuse;

in vec2 v2UV;

out vec4 outputColor;

void main() {
    outputColor = texture(diffuse, v2UV);
}
