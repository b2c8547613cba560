#version 410

in vec3 in_Pos;
in vec3 in_Nor;
in vec2 in_UV;

uniform mat4 u_WV;
uniform mat4 u_WVP;
uniform float u_transBrow;

uniform vec3 u_Ambient;
uniform vec3 u_Diffuse;
uniform float u_Alpha;
uniform vec3 u_LightColor;
uniform vec3 u_CameraPosition;
uniform mat4 u_LightWVP;
uniform int u_SphereTexMode;

out vec3 vs_Pos;
out vec3 vs_Eye;
out vec3 vs_Nor;
out vec2 vs_UV;
out vec2 vs_SphereUV;
out vec4 vs_ShadowCoord;
out vec4 vs_Color;
out vec3 vs_LightColor;

void main() {
    gl_Position = u_WVP * vec4(in_Pos, 1.0);
    // Brows flagged "transbrow" are pulled towards the viewer in clip space so that they show through hair.
    gl_Position.z -= u_transBrow;

    vs_Pos = (u_WV * vec4(in_Pos, 1.0)).xyz;
    // The camera position is a world position; the world matrix is identity, so u_WV brings it into view space,
    // where the shading happens (it lands at the origin).
    vs_Eye = (u_WV * vec4(u_CameraPosition, 1.0)).xyz - vs_Pos;
    vs_Nor = normalize(mat3(u_WV) * in_Nor);
    vs_UV = in_UV;
    vs_ShadowCoord = u_LightWVP * vec4(in_Pos, 1.0);
    vs_LightColor = u_LightColor;

    // MMD shading: the toon ramp carries the light falloff, so no N.L term here.
    vs_Color = vec4(clamp(u_Diffuse * u_LightColor + u_Ambient, 0.0, 1.0), u_Alpha);

    vs_SphereUV = vec2(0.0);
    if (u_SphereTexMode != 0) {
        vs_SphereUV = vs_Nor.xy * 0.5 + 0.5;
    }
}
