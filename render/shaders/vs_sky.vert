#version 450 core
// VsSky and VsMoon: the dome and the moon quad, both placed by MatMoon.
#include "frame_constants.glsl"
#include "sky_constants.glsl"
#include "simple_vertex.glsl"
#include "vertex_outputs.glsl"

void main() {
    vec4 p = vec4(InPosition, 1.0);
    gl_Position = p * MatMoon * MatView * MatProj;
    OutPosition0 = p.xyz;
    OutPosition1 = InNormal;
    OutColor0 = vec4(0.0, 0.0, 0.0, 1.0);
    OutTexCoord0 = InTexCoord;
}
