#version 450 core
// PsShadowFilter: softens the raw lamp image over 17 taps whose spread grows
// with the distance to the lamp, and fades it out far from the lamp. The
// composition reads only the product of the two terms, so that product is
// the result (red of an R16F image).
#include "point_light_constants.glsl"
#include "pixel_inputs.glsl"

layout(binding = 0) uniform sampler2D TexDiffuse;

layout(location = 0) out vec4 Target0;

const vec2 kTaps[16] = vec2[16](
    vec2(0.001, 0.0), vec2(-0.001, 0.0), vec2(0.0, 0.001), vec2(0.0, -0.001),
    vec2(0.0007, 0.0007), vec2(-0.0007, 0.0007), vec2(0.0007, -0.0007), vec2(-0.0007, -0.0007),
    vec2(0.002, 0.0), vec2(-0.002, 0.0), vec2(0.0, 0.002), vec2(0.0, -0.002),
    vec2(0.0014, 0.0014), vec2(-0.0014, 0.0014), vec2(0.0014, -0.0014),
    vec2(-0.0007, 0.0007));  // this tap counts twice

void main() {
    vec2 uv = TexCoord0;
    vec4 r = texture(TexDiffuse, uv);
    // Where the model is not, the result is what the pass clears to:
    // min(P.y, 0) squared.
    if (r == vec4(0.0)) discard;
    float z = r.z;
    float count = (r.x > 0.001) ? 1.0 : 0.0;
    if (z == 0.0) {
        // Where the model is not (distance 0) all taps fall on this pixel.
        count *= 17.0;
    } else {
        for (int i = 0; i < 16; ++i)
            if (texture(TexDiffuse, uv + z * kTaps[i]).x > 0.001) count += 1.0;
    }
    vec2 P = ShadowParam.xy;
    float p = max(P.x, 0.00001);
    float fade = clamp(1.0 - 0.03 * z / p, 0.0, 1.0);
    float x = max(count / 17.0 - 0.5 + 0.1 * z / p, 0.0) * P.y * 0.5;
    float y = r.y + z / p;
    // Each term as blending it by alpha = fade over the cleared colour gave.
    float e = min(P.y, 0.0);
    vec2 t = fade * vec2(min(fade * P.y, x), min(fade * P.y, y)) + (1.0 - fade) * e;
    Target0 = vec4(t.x * t.y, 0.0, 0.0, 1.0);
}
