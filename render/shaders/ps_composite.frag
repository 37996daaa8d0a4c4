#version 450 core
// PsComposite: scene colour darkened by the lamps' shadow images, plus the
// light shafts.
#include "pixel_inputs.glsl"

layout(binding = 0) uniform sampler2D TexDiffuse;        // scene colour
layout(binding = 2) uniform sampler2D TexShadowMap1;     // final lamp images: shadow in red
layout(binding = 3) uniform sampler2D TexShadowMap2;
layout(binding = 4) uniform sampler2D TexShadowMap3;
layout(binding = 8) uniform sampler2D TexVolumeLight1;   // light shafts (the renderer's
layout(binding = 9) uniform sampler2D TexVolumeLight2;   // image holds all lamps' in 1)
layout(binding = 10) uniform sampler2D TexVolumeLight3;

layout(location = 0) out vec4 Target0;

void main() {
    vec2 uv = TexCoord0;
    vec3 shafts = texture(TexVolumeLight1, uv).rgb + texture(TexVolumeLight2, uv).rgb +
                  texture(TexVolumeLight3, uv).rgb;
    float l1 = texture(TexShadowMap1, uv).r;
    float l2 = texture(TexShadowMap2, uv).r;
    float l3 = texture(TexShadowMap3, uv).r;
    float lit = max(1.0 - l1, max(1.0 - l2, 1.0 - l3));
    vec4 s = texture(TexDiffuse, uv);
    vec3 rgb = max(s.rgb * lit - 0.3 + shafts, 0.0);
    if (all(greaterThan(rgb, vec3(0.98)))) rgb = vec3(0.96);
    Target0 = vec4(rgb, s.a);
}
