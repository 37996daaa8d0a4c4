// The six cube-face maps of a lamp at units 2..7; red holds light-space depth.
layout(binding = 2) uniform sampler2D TexShadowMap1;
layout(binding = 3) uniform sampler2D TexShadowMap2;
layout(binding = 4) uniform sampler2D TexShadowMap3;
layout(binding = 5) uniform sampler2D TexShadowMap4;
layout(binding = 6) uniform sampler2D TexShadowMap5;
layout(binding = 7) uniform sampler2D TexShadowMap6;

float SampleShadowMap(int k, vec2 tc) {
    switch (k) {
    case 1: return textureLod(TexShadowMap1, tc, 0.0).r;
    case 2: return textureLod(TexShadowMap2, tc, 0.0).r;
    case 3: return textureLod(TexShadowMap3, tc, 0.0).r;
    case 4: return textureLod(TexShadowMap4, tc, 0.0).r;
    case 5: return textureLod(TexShadowMap5, tc, 0.0).r;
    default: return textureLod(TexShadowMap6, tc, 0.0).r;
    }
}
