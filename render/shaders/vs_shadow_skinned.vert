#version 450 core
// VsShadowSkinned: the skinned model seen from one cube face of a lamp.
#include "point_light_constants.glsl"
#include "skinning_constants.glsl"
#include "model_vertex.glsl"
#include "vertex_outputs.glsl"
#include "skinning.glsl"

void main() {
    vec4 s;
    vec3 n;
    SkinVertex(s, n);
    gl_Position = s * MatLight * MatProjLight;
    OutPosition0 = vec3(0.0);
    OutPosition1 = n;
    OutColor0 = vec4(0.0, 0.0, 0.0, 1.0);
    OutTexCoord0 = InTexCoord;
}
