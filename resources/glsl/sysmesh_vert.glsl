#version 140

uniform mat4 matrix;
uniform bool leftEye;
uniform bool overUnder;

in vec3 vertex;
in vec2 texcoord;

out vec2 v2UV;

void main() {
    v2UV = texcoord;
    if (overUnder) {
        // Over/under stereo image: the left eye samples the upper half, the right eye the lower half.
        v2UV.y *= 0.5;
        if (leftEye) {
            v2UV.y += 0.5;
        }
    }
    gl_Position = matrix * vec4(vertex, 1.0);
}
