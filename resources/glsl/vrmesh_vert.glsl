#version 410

uniform mat4 matrix;

in vec4 vertex;
in vec3 normal;
in vec2 texcoord;

out vec2 v2TexCoord;

void main() {
    v2TexCoord = texcoord;
    gl_Position = matrix * vec4(vertex.xyz, 1.0);
}
