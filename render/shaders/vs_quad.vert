#version 450 core
// VsQuad: full-screen quads; positions are already in clip space.
#include "model_vertex.glsl"
#include "vertex_outputs.glsl"

void main() {
    gl_Position = vec4(InPosition, 1.0);
    OutPosition0 = InPosition;
    OutPosition1 = InNormal;
    OutColor0 = vec4(0.0, 0.0, 0.0, 1.0);
    OutTexCoord0 = InTexCoord;
}
