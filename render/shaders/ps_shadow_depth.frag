#version 450 core
// PsShadowDepth: light-space depth in red, clip w in green.
#include "pixel_inputs.glsl"

layout(location = 0) out vec4 Target0;

void main() {
    Target0 = vec4(gl_FragCoord.z, 1.0 / gl_FragCoord.w, 0.0, 1.0);
}
