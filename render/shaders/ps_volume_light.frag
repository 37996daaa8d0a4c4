#version 450 core
// PsVolumeLight: in-scattered light of one lamp along a ray from the shaft
// camera, at reduced resolution.
//
// The march takes samples t = 0, 0.1, ... (t < 30) inside the lamp's reach and
// before the scene's depth, and adds a smooth term f(t) for every sample the
// lamp's cube maps do not hide. The maps hold only the current model and are
// 0 elsewhere, so a sample can be hidden in two places only: where its
// look-up lands on a texel the model drew (CoveredTexels), and where the
// look-up's w lies in [0, 0.0101], where even an empty texel fails the test
// (and so does any texel, depths not being negative). The look-up position,
// its w and the face choice are linear in t, so both places are found per
// face as ranges of t, and their samples are tested one by one as a plain
// march tests them; a sample hidden even by an empty texel is counted by the
// second kind only. The result is
//     sum of f over all samples  -  f of the samples found hidden there.
// The first sum is taken panel by panel as the integral of f over the
// samples' cells (3-point Gauss rule); a panel spans at most half its
// distance to the lamp, where f is smooth on that scale, so it agrees with the
// sample-by-sample sum to 3e-4 of it; within 0.2 of the lamp every sample is
// taken on its own.
//
// On a software rasteriser both sides of a branch cost, while a loop stops
// when its last pixel is done: the work here is laid out in loops.
#include "point_light_constants.glsl"
#include "volume_light_constants.glsl"
#include "shaft_lookup.glsl"
#include "pixel_inputs.glsl"

layout(binding = 1) uniform sampler2D TexDepth;
// TexShadowMap1 ... 6 as the layers of one array (a copy made when the maps
// are built), so that a sample reads its face with one load.
layout(binding = 2) uniform sampler2DArray TexShadowMaps;

layout(location = 0) out vec4 Target0;

const float kStep = 0.1;
const int kSamples = 300;  // t < 30

// The ray and the lamp, shared by the helpers below.
vec3 O;   // ray origin
vec3 OL;  // ray origin - lamp
vec3 D;   // unit direction
float R, gain, near, cosStart, cosRate, mapSize;

// f / gain at t, as the plain march computes it inside the reach.
float Shape(float t) {
    vec3 v = OL + t * D;
    float dl = length(v);
    float phase = 12.566 * (1.09 - 0.6 * (cosStart + t * cosRate) / dl);
    return (R - dl) / ((near + dl) * (phase * sqrt(phase)));
}

// Narrows [range.x, range.y] to where a + b t >= 0.
void Clip(inout vec2 range, float a, float b) {
    if (b > 0.0)
        range.x = max(range.x, -a / b);
    else if (b < 0.0)
        range.y = min(range.y, -a / b);
    else if (a < 0.0)
        range.y = -1.0e30;
}

// The samples of a range of t within first ... last. The ranges carry room
// for rounding in their own bounds.
ivec2 Samples(vec2 range, int first, int last) {
    float lo = max(range.x / kStep - 0.01, float(first));
    float hi = min(range.y / kStep + 0.01, float(last));
    if (!(lo <= hi)) return ivec2(1, 0);
    return ivec2(int(ceil(lo)), int(floor(hi)));
}

int Count(ivec2 r) { return max(r.y - r.x + 1, 0); }
bool In(int i, ivec2 r) { return i >= r.x && i <= r.y; }

// Whether face k is the face of sample v: the first of -X, -Y, -Z, +X, +Y,
// +Z within 0.001 of the largest.
bool IsFace(vec3 v, int k) {
    float m = max(max(abs(v.x), abs(v.y)), abs(v.z)) - 0.001;
    int face = (-v.x > m) ? 0 : (-v.y > m) ? 1 : (-v.z > m) ? 2 : (v.x > m) ? 3 : (v.y > m) ? 4 : 5;
    return face == k;
}

// f at sample t, inside the reach.
float Term(float t, float dl) {
    float phase = 12.566 * (1.09 - 0.6 * (cosStart + t * cosRate) / dl);
    return gain * (R - dl) / ((near + dl) * (phase * sqrt(phase)));
}

// The range of t where face k can be the sample's face: its axis value within
// 0.001 of every other (with room).
vec2 FaceRange(int k) {
    int axis = k % 3;
    float sign = k < 3 ? -1.0 : 1.0;
    float a0 = sign * OL[axis], a1 = sign * D[axis];
    int b = (axis + 1) % 3, c = (axis + 2) % 3;
    vec2 r = vec2(-1.0, 31.0);
    Clip(r, 2.0 * a0 + 0.002, 2.0 * a1);
    Clip(r, a0 - OL[b] + 0.002, a1 - D[b]);
    Clip(r, a0 + OL[b] + 0.002, a1 + D[b]);
    Clip(r, a0 - OL[c] + 0.002, a1 - D[c]);
    Clip(r, a0 + OL[c] + 0.002, a1 + D[c]);
    return r;
}

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

    O = EyeVL.xyz + MoveVL.xyz;
    vec3 e = normalize(EyeVL.xyz);
    vec3 right = normalize(vec3(-e.y, e.x, 0.0));
    float nx = 2.0 * uv.x - 1.0;
    float ny = 2.0 * uv.y - 1.0;
    D = normalize(-e + nx * right - ny * (H / W) * vec3(0.0, 0.0, 1.0));

    R = 10.0 * ShadowParam.x;
    OL = O - PointLightPos.xyz;
    mapSize = VolumeLightParam2.y;
    gain = 0.2 * PointLightColor.w * 0.91;
    near = 3.0 * ShadowParam.x;
    cosStart = dot(e, OL);
    cosRate = dot(e, D);

    // The samples inside the lamp's reach R (a sphere): first ... last, the
    // edges by the samples' own test.
    float b = dot(OL, D);
    float disc = max(b * b - (dot(OL, OL) - R * R), 0.0);
    float root = sqrt(disc);
    int first = max(int(ceil((-b - root) / kStep)), 0);
    int last = min(int(floor((-b + root) / kStep)), kSamples - 1);
    if (length(OL + float(first) * kStep * D) > R) ++first;
    if (first > 0 && length(OL + float(first - 1) * kStep * D) <= R) --first;
    if (length(OL + float(last) * kStep * D) > R) --last;
    if (last < kSamples - 1 && length(OL + float(last + 1) * kStep * D) <= R) ++last;

    // The march ends at the first sample behind the scene's depth; depth is
    // linear in t.
    vec3 forward = MatViewVL[2].xyz;  // third column, without the translation row
    float depthStart = dot(O, forward), depthRate = dot(D, forward);
    float t0 = float(first) * kStep;
    if (d < depthStart + t0 * depthRate) {
        last = first - 1;
    } else if (depthRate > 0.0) {
        int stop = max(int(floor((d - depthStart) / depthRate / kStep)) + 1, first + 1);
        float t = float(stop - 1) * kStep;
        if (stop - 1 > first && d < depthStart + t * depthRate) --stop;
        t = float(stop) * kStep;
        if (!(d < depthStart + t * depthRate)) ++stop;
        last = min(last, stop - 1);
    }

    // All samples, panel by panel: a panel spans at most half its distance
    // to the lamp (5 samples per unit), and at most 64 samples.
    float sum = 0.0;
    for (int i = first; i <= last;) {
        float d0 = length(OL + float(i) * kStep * D);
        int j = min(i + clamp(int(d0 * 5.0), 1, 64) - 1, last);
        float count = float(j - i + 1);
        float mid = 0.5 * float(i + j) * kStep;
        // A single sample is taken as itself.
        float spread = count > 1.0 ? 0.5 * count * kStep * 0.77459667 : 0.0;
        sum += count * (0.27777778 * (Shape(mid - spread) + Shape(mid + spread)) + 0.44444444 * Shape(mid));
        i = j + 1;
    }
    float A = gain * sum;

    // Less the hidden ones. First those hidden even by an empty texel: per
    // band face, the samples whose look-up w is in [0, 0.0102], with room.
    for (int j = 0; j < FaceCounts.x; ++j) {
        int k = BandFaces[j >> 2][j & 3];
        vec4 cs = vec4(-O, 1.0) * BandLookup[j];
        vec4 cr = vec4(-D, 0.0) * BandLookup[j];
        vec2 r = vec2(-1.0, 31.0);
        Clip(r, cs.w + 0.001, cr.w);
        Clip(r, 0.0102 - cs.w, -cr.w);
        ivec2 band = Samples(r, first, last);
        for (int i = band.x; i <= band.y; ++i) {
            float t = float(i) * kStep;
            vec3 v = OL + t * D;
            vec4 c = cs + t * cr;
            if (IsFace(v, k) && !(0.01 < c.z * (1.0 / c.w))) A -= Term(t, length(v));
        }
    }
    // Then those hidden by the model alone: per covered face, the samples
    // whose look-up lands in its texel rectangle widened by two texels, for
    // w > 0 and w < 0 apart.
    for (int j = 0; j < FaceCounts.y; ++j) {
        int k = CoveredFaces[j >> 2][j & 3];
        vec4 cs = vec4(-O, 1.0) * CoveredLookup[j];
        vec4 cr = vec4(-D, 0.0) * CoveredLookup[j];
        vec2 face = FaceRange(k);
        vec2 lo = vec2(CoveredTexels[j].xy) - 2.0, hi = vec2(CoveredTexels[j].zw) + 2.0;
        // mapSize c.x - lo.x c.w >= 0 and so on, all times the sign of w.
        vec4 fs = vec4(mapSize * cs.xy - lo * cs.w, hi * cs.w - mapSize * cs.xy);
        vec4 fr = vec4(mapSize * cr.xy - lo * cr.w, hi * cr.w - mapSize * cr.xy);
        ivec2 sides[2];
        for (int side = 0; side < 2; ++side) {
            float g = side == 0 ? 1.0 : -1.0;
            vec2 r = face;
            Clip(r, g * cs.w, g * cr.w);
            for (int f = 0; f < 4; ++f) Clip(r, g * fs[f], g * fr[f]);
            sides[side] = Samples(r, first, last);
        }
        int countA = Count(sides[0]);
        for (int x = 0; x < countA + Count(sides[1]); ++x) {
            int i = x < countA ? sides[0].x + x : sides[1].x + x - countA;
            float t = float(i) * kStep;
            vec3 v = OL + t * D;
            vec4 c = cs + t * cr;
            float invW = 1.0 / c.w;
            ivec2 texel = ivec2(c.xy * (invW * mapSize));
            float s = 0.0;  // texels outside the map read 0
            if (all(greaterThanEqual(texel, ivec2(0))) && all(lessThan(texel, ivec2(mapSize))))
                s = texelFetch(TexShadowMaps, ivec3(texel, k), 0).r;
            float z = c.z * invW;
            bool counted = x >= countA && In(i, sides[0]);
            if (!counted && IsFace(v, k) && 0.01 < z && !(s + 0.01 < z)) A -= Term(t, length(v));
        }
    }
    Target0 = vec4(clamp(A, 0.0, 1.0) * PointLightColor.rgb, 1.0);
}
