#version 450 core
// PsShadowLight: the raw lamp image of the model: whether the lamp's cube
// maps see something nearer, less the glow of nearby lights; green keeps the
// bare shadow, blue the distance to the lamp.
#include "frame_constants.glsl"
#include "point_light_constants.glsl"
#include "cube_faces.glsl"
#include "shadow_maps.glsl"
#include "pixel_inputs.glsl"

// Depth is tested first, as without the buffer below.
layout(early_fragment_tests) in;

layout(location = 0) out vec4 Target0;

// The rectangle of pixels the model covers (x0, y0, x1, y1), grown by every
// fragment: the filter pass works only there.
layout(std430, binding = 0) buffer ModelPixels {
    ivec4 Covered;
};

void main() {
    vec3 P = Position0;
    vec3 v = P - PointLightPos.xyz;
    float len = length(v);
    int k = CubeFaceOf(v / len);
    vec4 c = vec4(P, 1.0) * CubeFaceView(k) * MatProjLight;
    vec2 tc = vec2(c.x / c.w * 0.5 + 0.5, -c.y / c.w * 0.5 + 0.5);
    float s = SampleShadowMap(k, tc);
    float shadow = (s + 0.00005 < c.z / c.w) ? 1.0 : 0.0;
    float x = shadow;
    for (int i = 0; i < 16; ++i) {
        if (LightColor[i].w >= 0.001)
            x -= max(0.0, 1.0 - 0.2 * length(P - LightPos[i].xyz)) * LightColor[i].w;
    }
    Target0 = vec4(clamp(x, 0.0, 1.0), shadow, len, 1.0);
    ivec2 pixel = ivec2(gl_FragCoord.xy);
    atomicMin(Covered.x, pixel.x);
    atomicMin(Covered.y, pixel.y);
    atomicMax(Covered.z, pixel.x);
    atomicMax(Covered.w, pixel.y);
}
