#version 450 core
// PsVolumeLight: marches a ray from the shaft camera through the lamp's cube
// maps and gathers in-scattered light, at reduced resolution.
#include "point_light_constants.glsl"
#include "cube_faces.glsl"
#include "shadow_maps.glsl"
#include "volume_light_constants.glsl"
#include "pixel_inputs.glsl"

layout(binding = 1) uniform sampler2D TexDepth;

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
    int mapSize = int(VolumeLightParam2.y);

    // Samples farther than R from the lamp add nothing: march only over the
    // part of the ray inside that sphere (one spare sample each side keeps
    // the per-sample test in charge of the boundary).
    vec3 OL = O - L;
    float b = dot(OL, D);
    float disc = b * b - (dot(OL, OL) - R * R);
    if (disc < 0.0) {
        Target0 = vec4(0.0, 0.0, 0.0, 1.0);
        return;
    }
    float root = sqrt(disc);
    int first = max(int(floor((-b - root) / kStep)) - 1, 0);
    int last = min(int(ceil((-b + root) / kStep)) + 1, kSamples - 1);

    // Work that does not change along the ray.
    mat4 faceProj[6] = mat4[6](MatLight1 * MatProjLight, MatLight2 * MatProjLight,
                               MatLight3 * MatProjLight, MatLight4 * MatProjLight,
                               MatLight5 * MatProjLight, MatLight6 * MatProjLight);
    float gain = 0.2 * PointLightColor.w * 0.91;
    float near = 3.0 * ShadowParam.x;

    float A = 0.0;
    for (int i = first; i <= last; ++i) {
        vec3 P = O + (float(i) * kStep) * D;
        vec3 v = P - L;
        float dl = length(v);
        if (dl > R) continue;
        // Nothing is gathered behind the scene's depth.
        if (d < dot(P, forward)) break;
        int k = CubeFaceOf(v);
        vec4 c = vec4(-P, 1.0) * faceProj[k - 1];
        float s = LoadShadowMap(k, ivec2(c.xy / c.w * VolumeLightParam2.y), mapSize);
        float z = c.z / c.w;
        if (s + 0.01 < z)
            A += gain * (R - dl) / (near + dl) / pow(12.566 * (1.09 - 0.6 * dot(e, v / dl)), 1.5);
    }
    Target0 = vec4(clamp(A, 0.0, 1.0) * PointLightColor.rgb, 1.0);
}
