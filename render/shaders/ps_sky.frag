#version 450 core
// PsSky: evening colour, two scrolling cloud layers shaped by sine waves,
// stars that fade toward the horizon.
#include "sky_constants.glsl"
#include "pixel_inputs.glsl"

layout(binding = 0) uniform sampler2D TexCloud;
layout(binding = 1) uniform sampler2D TexStar;

layout(location = 0) out vec4 Target0;

void main() {
    vec3 P = Position0;
    vec2 uv = TexCoord0;
    float rho = length(P.xy);
    vec2 q = 0.4 * vec2(rho - P.x, rho - P.y);
    float waves = 0.0;
    for (int i = 0; i < 8; ++i) {
        vec4 c = CloudParam2[i];
        waves += (1.0 + sin(dot(c.xy, q) + SkyParam.y)) * c.x * CloudParam1.x * max(0.001, c.z) / 2.0;
    }
    float a = clamp(2.0 * waves + 0.3, 0.0, 1.0);
    float cloud = texture(TexCloud, vec2(uv.x - SkyParam.x, 0.5 * uv.y)).b +
                  texture(TexCloud, vec2(uv.x - (0.15 * SkyParam.x + 0.26), 0.5 * uv.y)).b;
    float c = clamp(a * cloud * SkyParam.w * 0.5, 0.0, 1.0) * clamp(P.z, 0.0, 1.0);
    float star = max(texture(TexStar, vec2(2.8 * uv.x, 2.5 * uv.y)).b - SkyParam.z, 0.0) *
                 clamp(2.0 - 0.9 * uv.y, 0.0, 1.0);
    float row = 0.002 * gl_FragCoord.y;
    vec3 base = SkyColor.rgb + 1.8 * c * row * row;
    float st = max(star * (2.0 - SunPos.z) - 3.0 * c, 0.0);
    vec3 rgb = clamp(vec3(st) + base, 0.0, 1.0);
    if (all(greaterThanEqual(rgb, vec3(0.98)))) rgb = vec3(0.96);
    Target0 = vec4(rgb, 1.0);
}
