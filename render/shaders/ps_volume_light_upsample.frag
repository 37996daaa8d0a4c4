#version 450 core
// PsVolumeLightUpsample: bilinear scale-up of the reduced shaft image from
// four texel loads; with a sparse step the neighbours are step texels apart.
#include "volume_light_constants.glsl"
#include "pixel_inputs.glsl"

layout(binding = 1) uniform sampler2D TexVolumeLight;

layout(location = 0) out vec4 Target0;

void main() {
    vec4 V = VolumeLightParam1;
    vec2 size = vec2(max(V.x, 1.0), max(V.y, 1.0));
    int n = int(max(V.w + 0.001, 1.0));
    ivec2 last = ivec2(size) - 1;
    vec2 pos = TexCoord0 * size - 0.5;
    vec2 cell = floor(pos / float(n)) * float(n);
    vec2 f = clamp((pos - cell) / float(n), 0.0, 1.0);
    ivec2 t0 = clamp(ivec2(cell), ivec2(0), last);
    ivec2 t1 = clamp(ivec2(cell) + n, ivec2(0), last);
    vec4 a = texelFetch(TexVolumeLight, ivec2(t0.x, t0.y), 0);
    vec4 b = texelFetch(TexVolumeLight, ivec2(t1.x, t0.y), 0);
    vec4 c = texelFetch(TexVolumeLight, ivec2(t0.x, t1.y), 0);
    vec4 d = texelFetch(TexVolumeLight, ivec2(t1.x, t1.y), 0);
    Target0 = mix(mix(a, b, f.x), mix(c, d, f.x), f.y);
}
