#version 450 core
// PsVolumeLight: marches a ray from the shaft camera through the lamp's cube
// maps and gathers in-scattered light, at reduced resolution.
#include "point_light_faces.glsl"
#include "volume_light_constants.glsl"
#include "pixel_inputs.glsl"

layout(binding = 1) uniform sampler2D TexDepth;
// TexShadowMap1 ... 6 as the layers of one array (a copy made when the maps
// are built), so that a sample reads its face with one load.
layout(binding = 2) uniform sampler2DArray TexShadowMaps;

layout(location = 0) out vec4 Target0;

const float kStep = 0.1;
const int kSamples = 300;  // t < 30

void main() {
    vec4 V = VolumeLightParam1;
    vec2 uv = TexCoord0;
    float W = max(V.x, 1.0);
    float H = max(V.y, 1.0);
    uint n = uint(max(V.w + 0.001, 1.0));
    float px = W * uv.x;
    float py = H * uv.y;
    if ((uint(px) % n) != 0u || (uint(py) % n) != 0u) {
        Target0 = vec4(0.0, 0.0, 0.0, 1.0);
        return;
    }
    float scale = max(V.z, 0.001);
    float d = texelFetch(TexDepth, ivec2(px / scale, py / scale), 0).g;
    if (d < 0.001) d = 10000.0;

    vec3 O = EyeVL.xyz + MoveVL.xyz;
    vec3 e = normalize(EyeVL.xyz);
    vec3 right = normalize(vec3(-e.y, e.x, 0.0));
    float nx = 2.0 * uv.x - 1.0;
    float ny = 2.0 * uv.y - 1.0;
    vec3 D = normalize(-e + nx * right - ny * (H / W) * vec3(0.0, 0.0, 1.0));

    float R = 10.0 * ShadowParam.x;
    vec3 L = PointLightPos.xyz;
    vec3 forward = MatViewVL[2].xyz;  // third column, without the translation row
    float mapSize = VolumeLightParam2.y;
    int lastTexel = int(mapSize) - 1;

    // Samples farther than R from the lamp add nothing: march only over the
    // part of the ray inside that sphere (one spare sample each side keeps
    // the per-sample test in charge of the boundary).
    vec3 OL = O - L;
    float b = dot(OL, D);
    float disc = b * b - (dot(OL, OL) - R * R);
    float A = 0.0;
    if (disc >= 0.0) {
        float root = sqrt(disc);
        int first = max(int(floor((-b - root) / kStep)) - 1, 0);
        int last = min(int(ceil((-b + root) / kStep)) + 1, kSamples - 1);
        float gain = 0.2 * PointLightColor.w * 0.91;
        float near = 3.0 * ShadowParam.x;
        // Everything below is linear in t along P = O + t D, so its value at
        // t = 0 and its rate are worked out once per ray: the light-space
        // position of -P in each face, the depth along the view, the cosine
        // towards the eye.
        vec4 faceStart[6];
        vec4 faceRate[6];
        for (int f = 0; f < 6; ++f) {
            mat4 M = MatLightFace[f] * MatProjLight;
            faceStart[f] = vec4(-O, 1.0) * M;
            faceRate[f] = vec4(-D, 0.0) * M;
        }
        float depthStart = dot(O, forward), depthRate = dot(D, forward);
        float cosStart = dot(e, OL), cosRate = dot(e, D);
        for (int i = first; i <= last; ++i) {
            float t = float(i) * kStep;
            vec3 v = OL + t * D;
            float dl = length(v);
            if (dl > R) continue;
            // Nothing is gathered behind the scene's depth.
            if (d < depthStart + t * depthRate) break;
            // Face 1 ... 6 (-X, -Y, -Z, +X, +Y, +Z): the first within 0.001
            // of the largest.
            float m = max(max(abs(v.x), abs(v.y)), abs(v.z)) - 0.001;
            int k = (-v.x > m) ? 0 : (-v.y > m) ? 1 : (-v.z > m) ? 2 : (v.x > m) ? 3 : (v.y > m) ? 4 : 5;
            vec4 c = k == 0 ? faceStart[0] + t * faceRate[0]
                   : k == 1 ? faceStart[1] + t * faceRate[1]
                   : k == 2 ? faceStart[2] + t * faceRate[2]
                   : k == 3 ? faceStart[3] + t * faceRate[3]
                   : k == 4 ? faceStart[4] + t * faceRate[4]
                            : faceStart[5] + t * faceRate[5];
            float invW = 1.0 / c.w;
            ivec2 texel = ivec2(c.xy * (invW * mapSize));
            float s = 0.0;  // texels outside the map read 0
            if (texel.x >= 0 && texel.y >= 0 && texel.x <= lastTexel && texel.y <= lastTexel)
                s = texelFetch(TexShadowMaps, ivec3(texel, k), 0).r;
            if (s + 0.01 < c.z * invW) {
                float phase = 12.566 * (1.09 - 0.6 * (cosStart + t * cosRate) / dl);
                A += gain * (R - dl) / ((near + dl) * (phase * sqrt(phase)));
            }
        }
    }
    Target0 = vec4(clamp(A, 0.0, 1.0) * PointLightColor.rgb, 1.0);
}
