#version 450 core
// PsMoon: the moon disc with its phase boundary, over a soft glow.
#include "sky_constants.glsl"
#include "pixel_inputs.glsl"

layout(binding = 2) uniform sampler2D TexMoon;

layout(location = 0) out vec4 Target0;

void main() {
    vec2 uv = TexCoord0;
    vec2 tc = vec2(0.5 * uv.x + 0.5, 0.5 - 0.5 * uv.y);
    vec4 m = texture(TexMoon, tc);
    m.rgb *= m.a;
    float sn = sin((0.5 - abs(1.9 * (0.5 - tc.y))) * 3.14159);
    // Rows where the sine is negative have no boundary and stay whole.
    if (sn >= 0.0) {
        float h = sqrt(sn) * cos(MoonPos.w * 3.14159) * 0.263158;
        float x = 0.5 * uv.x;
        if (sin(MoonPos.w * 3.14159) >= 0.0) {
            if (x < -h) m = vec4(0.0);
        } else {
            if (x > h) m = vec4(0.0);
        }
    }
    float r = clamp(length(uv), 0.6, 1.0);
    vec4 glow = vec4(0.8, 0.8, 0.8, 1.44 * (1.0 - r));
    Target0 = 0.4 * m + glow;
}
