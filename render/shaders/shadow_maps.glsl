// The six cube-face maps of a lamp (TexShadowMap1 ... 6) as the layers of
// one array at unit 2, a copy made when the maps are built: one filtered
// sample reads the face asked for. Red holds light-space depth.
layout(binding = 2) uniform sampler2DArray TexShadowMaps;

// Face k = 1 ... 6 at texture coordinate tc.
float SampleShadowMap(int k, vec2 tc) { return textureLod(TexShadowMaps, vec3(tc, float(k - 1)), 0.0).r; }
