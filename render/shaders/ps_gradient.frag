#version 450 core
// PsGradient: the inspection view's background, top colour to bottom colour.
#include "inspect_constants.glsl"
#include "pixel_inputs.glsl"

layout(location = 0) out vec4 Target0;

void main() {
    float t = clamp(TexCoord0.y, 0.0, 1.0);
    Target0 = vec4(mix(GradientTop.rgb, GradientBottom.rgb, t * t * (3.0 - 2.0 * t)), 1.0);
}
