#version 450 core
// PsComposite: scene colour darkened by the lamps' shadow image, plus the
// light shafts.
#include "pixel_inputs.glsl"

layout(binding = 0) uniform sampler2D TexDiffuse;     // scene colour
layout(binding = 2) uniform sampler2D TexLampShadow;  // all lamps' shadow in red, the brightest lamp kept
layout(binding = 8) uniform sampler2D TexShafts;      // all lamps' light shafts

layout(location = 0) out vec4 Target0;

void main() {
    vec2 uv = TexCoord0;
    vec3 shafts = texture(TexShafts, uv).rgb;
    float lit = 1.0 - texture(TexLampShadow, uv).r;
    vec4 s = texture(TexDiffuse, uv);
    vec3 rgb = max(s.rgb * lit - 0.3 + shafts, 0.0);
    if (all(greaterThan(rgb, vec3(0.98)))) rgb = vec3(0.96);
    Target0 = vec4(rgb, s.a);
}
