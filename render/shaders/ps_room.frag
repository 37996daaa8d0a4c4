#version 450 core
// PsRoom: the two room models, lit by the three lamps with a flicker per
// pair of triangles that runs with the sky's time.
#include "frame_constants.glsl"
#include "sky_constants.glsl"
#include "pixel_inputs.glsl"

layout(location = 0) out vec4 Target0;

void main() {
    float sum = 0.0;
    vec3 colour = vec3(0.0);
    for (int i = 0; i < 3; ++i) {
        float a = 0.8 * LightColor[i].w / length(Position0 - LightPos[i].xyz);
        sum += a;
        colour += a * LightColor[i].rgb;
    }
    sum = max(sum, 40.0);
    float fx = (TexCoord0.x - 0.8) * 0.5;
    float fy = TexCoord0.y + 0.6;
    float f = fx * fx + fy * fy;
    float g = sum / (5.0 * f + 0.5);
    int q = gl_PrimitiveID & ~1;
    float flicker = sin(SkyParam.x * 60.0 + float((q * 67) % 100) * 0.1) / 3.0;
    vec3 rgb = g * colour + flicker;
    if (all(greaterThanEqual(rgb, vec3(0.98)))) rgb = vec3(0.96);
    Target0 = vec4(rgb, 1.0);
}
