#version 450 core
// PsComposite: scene colour darkened by the lamps' shadow image, plus the
// light shafts scaled up from the shaft pass's reduced image.
#include "volume_light_constants.glsl"
#include "pixel_inputs.glsl"

layout(binding = 0) uniform sampler2D TexDiffuse;     // scene colour
layout(binding = 2) uniform sampler2D TexLampShadow;  // all lamps' shadow in red, the brightest lamp kept
layout(binding = 8) uniform sampler2D TexShafts;      // all lamps' light shafts, reduced

layout(location = 0) out vec4 Target0;

// Bilinear from four texel loads of the reduced image, whose size is
// VolumeLightParam1.xy for a frame of VolumeLightParam2.zw pixels; with a
// sparse step the neighbours are step texels apart. None without constants.
vec3 Shafts() {
    vec4 V = VolumeLightParam1;
    if (V.x <= 0.0) return vec3(0.0);
    vec2 size = vec2(max(V.x, 1.0), max(V.y, 1.0));
    int n = int(max(V.w + 0.001, 1.0));
    ivec2 last = ivec2(size) - 1;
    vec2 pos = gl_FragCoord.xy / max(VolumeLightParam2.zw, vec2(1.0)) * size - 0.5;
    vec2 cell = floor(pos / float(n)) * float(n);
    vec2 f = clamp((pos - cell) / float(n), 0.0, 1.0);
    ivec2 t0 = clamp(ivec2(cell), ivec2(0), last);
    ivec2 t1 = clamp(ivec2(cell) + n, ivec2(0), last);
    vec3 a = texelFetch(TexShafts, ivec2(t0.x, t0.y), 0).rgb;
    vec3 b = texelFetch(TexShafts, ivec2(t1.x, t0.y), 0).rgb;
    vec3 c = texelFetch(TexShafts, ivec2(t0.x, t1.y), 0).rgb;
    vec3 d = texelFetch(TexShafts, ivec2(t1.x, t1.y), 0).rgb;
    return mix(mix(a, b, f.x), mix(c, d, f.x), f.y);
}

void main() {
    vec2 uv = TexCoord0;
    vec3 shafts = Shafts();
    float lit = 1.0 - texture(TexLampShadow, uv).r;
    vec4 s = texture(TexDiffuse, uv);
    vec3 rgb = max(s.rgb * lit - 0.3 + shafts, 0.0);
    if (all(greaterThan(rgb, vec3(0.98)))) rgb = vec3(0.96);
    Target0 = vec4(rgb, s.a);
}
