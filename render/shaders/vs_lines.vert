#version 450 core
// VsLines: grid and bone lines and points, world positions with a colour each.
#include "frame_constants.glsl"
#include "model_vertex.glsl"
#include "vertex_outputs.glsl"

void main() {
    vec4 p = vec4(InPosition, 1.0);
    gl_Position = p * MatWorld * MatView * MatProj;
    OutPosition0 = p.xyz;
    OutPosition1 = InNormal;
    OutColor0 = InColor;
    OutTexCoord0 = InTexCoord;
}
