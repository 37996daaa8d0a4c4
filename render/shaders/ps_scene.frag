#version 450 core
// PsScene: the current model in the main pass. Target 0 is the lit colour,
// target 1 the scene depth the light shafts stop at.
#include "frame_constants.glsl"
#include "material_constants.glsl"
#include "pixel_inputs.glsl"

layout(binding = 0) uniform sampler2D TexDiffuse;

layout(location = 0) out vec4 Target0;
layout(location = 1) out vec4 Target1;

void main() {
    vec4 t = texture(TexDiffuse, vec2(TexCoord0.x, -TexCoord0.y)) * MaterialTint;
    vec3 N = normalize(Position1);
    vec3 E = normalize(EyePos.xyz);
    vec3 ambient = vec3(0.0);
    vec3 diffuse = vec3(0.0);
    float specular = 0.0;
    vec3 light = vec3(0.0);
    int c = 0;
    for (int i = 0; i < 16; ++i) {
        if (LightColor[i].w < 0.001) continue;
        ++c;
        vec3 L = normalize(-Position1 - LightPos[i].xyz);
        float d = dot(L, N);
        vec3 R = normalize(2.0 * d * N - normalize(-LightPos[i].xyz));
        float sp = clamp(dot(R, E), 0.0, 1.0);
        ambient += 0.3 * t.rgb;
        diffuse += clamp(t.rgb * d, 0.0, 1.0);
        specular += 0.2 * (sp * sp * sp * sp * sp);
        vec3 toLight = Position0 - LightPos[i].xyz;
        float a = 30.0 * LightColor[i].w / (dot(toLight, toLight) + 1.0);
        light += a * LightColor[i].rgb;
    }
    float k = float(max(c, 1));
    vec3 colour = clamp((ambient / k + diffuse / k + specular / k) * (light / k + 0.2), 0.0, 1.0);
    if (all(lessThan(colour, vec3(0.001)))) {
        Target0 = vec4(0.0, 0.0, 0.0, 1.0);
    } else {
        if (all(greaterThanEqual(colour, vec3(0.98)))) colour = vec3(0.96);
        Target0 = vec4(colour, t.a);
    }
    // gl_FragCoord.w is 1 / w of the clip position.
    Target1 = vec4(gl_FragCoord.z * gl_FragCoord.w, gl_FragCoord.z, 0.0, 1.0);
}
