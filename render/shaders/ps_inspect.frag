#version 450 core
// PsInspect: the model in the inspection view. Key, fill and rim lights from
// fixed directions about the camera plus ambient, both faces lit alike, so a
// model's own colours and textures read evenly.
#include "frame_constants.glsl"
#include "material_constants.glsl"
#include "inspect_constants.glsl"
#include "pixel_inputs.glsl"

layout(binding = 0) uniform sampler2D TexDiffuse;

layout(location = 0) out vec4 Target0;

void main() {
    vec4 albedo = texture(TexDiffuse, vec2(TexCoord0.x, -TexCoord0.y)) * MaterialTint;
    vec3 V = normalize(EyePos.xyz - Position0);
    vec3 N = Position1;
    float n = length(N);
    N = n > 1e-6 ? N / n : V;
    if (dot(N, V) < 0.0) N = -N;
    float light = Ambient.x;
    light += KeyDir.w * max(dot(N, KeyDir.xyz), 0.0);
    light += FillDir.w * max(dot(N, FillDir.xyz), 0.0);
    light += RimDir.w * max(dot(N, RimDir.xyz), 0.0);
    float edge = 1.0 - max(dot(N, V), 0.0);
    vec3 H = normalize(KeyDir.xyz + V);
    float highlight = 0.12 * pow(max(dot(N, H), 0.0), 24.0);
    vec3 colour = albedo.rgb * light + Ambient.w * edge * edge * edge + highlight;
    Target0 = vec4(clamp(colour, 0.0, 1.0), albedo.a);
}
