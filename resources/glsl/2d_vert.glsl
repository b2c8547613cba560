#version 410

uniform mat4 vertMatrix;

in vec3 vertex;
in vec4 color;
in vec2 texcoord;

out vec4 vColor;
out vec2 vTexCoord;

void main() {
    vColor = color;
    vTexCoord = texcoord;
    gl_Position = vertMatrix * vec4(vertex, 1.0);
}
