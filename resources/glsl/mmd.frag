#version 410

in vec3 vs_Pos;
in vec3 vs_Eye;
in vec3 vs_Nor;
in vec2 vs_UV;
in vec2 vs_SphereUV;
in vec4 vs_ShadowCoord;
in vec4 vs_Color;
in vec3 vs_LightColor;

uniform vec3 u_Ambient;
uniform vec3 u_Diffuse;
uniform vec3 u_Specular;
uniform float u_SpecularPower;
uniform float u_Alpha;

uniform int u_TexMode;
uniform sampler2D u_Tex;
uniform vec4 u_TexMulFactor;
uniform vec4 u_TexAddFactor;

uniform int u_SphereTexMode;
uniform sampler2D u_SphereTex;
uniform vec4 u_SphereTexMulFactor;
uniform vec4 u_SphereTexAddFactor;

uniform int u_ToonTexMode;
uniform sampler2D u_ToonTex;
uniform vec4 u_ToonTexMulFactor;
uniform vec4 u_ToonTexAddFactor;

uniform vec3 u_LightDir;

uniform sampler2DShadow u_ShadowMap;
uniform int u_ShadowMapEnabled;

out vec4 out_Color;

const float kTapOffset = 0.0001;

float shadowTap(vec4 coord, vec2 offset, float z, float t) {
    float p = textureProj(u_ShadowMap, vec4(coord.xy + offset, coord.zw));
    return 1.0 - clamp(max(z - p, 0.0) * 1500.0 * t - 0.3, 0.0, 1.0);
}

void main() {
    vec3 normal = normalize(vs_Nor);
    vec3 halfVector = normalize(normalize(vs_Eye) - u_LightDir);
    vec3 specular = pow(max(0.0, dot(halfVector, normal)), u_SpecularPower) * u_Specular;

    vec4 shadowColor = vec4(clamp(u_Diffuse * vs_LightColor + u_Ambient, 0.0, 1.0), u_Alpha);
    vec4 color = vs_Color;
    if (u_TexMode != 0) {
        vec4 texColor = texture(u_Tex, vs_UV);
        color *= texColor;
        shadowColor *= texColor;
    }

    if (u_SphereTexMode != 0) {
        vec3 sphereColor = texture(u_SphereTex, vs_SphereUV).rgb;
        if (u_SphereTexMode == 1) {
            color.rgb *= sphereColor;
        } else if (u_SphereTexMode == 2) {
            color.rgb += sphereColor;
        }
    }

    color.rgb += specular;

    float s = (1.0 + vs_ShadowCoord.x / vs_ShadowCoord.w) * 0.5;
    float t = (1.0 - vs_ShadowCoord.y / vs_ShadowCoord.w) * 0.5;

    if (u_ToonTexMode != 0 && u_ShadowMapEnabled == 0) {
        color *= texture(u_ToonTex, vec2(0.0, 0.5 - dot(normal, u_LightDir) * 0.5));
    } else if (u_ToonTexMode != 0 && s >= 0.0 && s <= 1.0 && t >= 0.0 && t <= 1.0) {
        // Only the toon shading mixes in the shadow: without a toon ramp the taps would be wasted.
        float z = vs_ShadowCoord.z;
        float c = shadowTap(vs_ShadowCoord, vec2(0.0), z, t);
        c += shadowTap(vs_ShadowCoord, vec2(kTapOffset, kTapOffset), z, t);
        c += shadowTap(vs_ShadowCoord, vec2(-kTapOffset, -kTapOffset), z, t);
        c += shadowTap(vs_ShadowCoord, vec2(kTapOffset, -kTapOffset), z, t);
        c += shadowTap(vs_ShadowCoord, vec2(-kTapOffset, kTapOffset), z, t);
        c *= 0.2;
        c = min(clamp(dot(normal, -u_LightDir) * 3.0, 0.0, 1.0), c);
        shadowColor.rgb *= texture(u_ToonTex, vec2(0.0, 0.0)).rgb;
        color = mix(shadowColor, color, c);
    }

    out_Color = color;
}
