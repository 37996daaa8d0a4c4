#version 450 core
// VsModel: the model pass without skinning.
#include "frame_constants.glsl"
#include "model_vertex.glsl"
#include "vertex_outputs.glsl"

void main() {
    vec4 p = vec4(InPosition, 1.0);
    gl_Position = p * MatWorld * MatView * MatProj;
    OutPosition0 = p.xyz;
    OutPosition1 = InNormal;
    OutColor0 = vec4(0.0, 0.0, 0.0, 1.0);
    OutTexCoord0 = InTexCoord;
}
