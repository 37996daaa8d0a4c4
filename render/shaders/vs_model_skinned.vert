#version 450 core
// VsModelSkinned: the model pass with up to eight weighted bones per vertex.
#include "frame_constants.glsl"
#include "skinning_constants.glsl"
#include "model_vertex.glsl"
#include "vertex_outputs.glsl"
#include "skinning.glsl"

void main() {
    vec4 s;
    vec3 n;
    SkinVertex(s, n);
    gl_Position = s * MatWorld * MatView * MatProj;
    OutPosition0 = s.xyz;
    OutPosition1 = n;
    OutColor0 = vec4(0.0, 0.0, 0.0, 1.0);
    OutTexCoord0 = InTexCoord;
}
