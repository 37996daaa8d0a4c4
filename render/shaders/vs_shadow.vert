#version 450 core
// VsShadow: the model seen from one cube face of a lamp.
#include "point_light_constants.glsl"
#include "model_vertex.glsl"
#include "vertex_outputs.glsl"

void main() {
    vec4 p = vec4(InPosition, 1.0);
    gl_Position = p * MatLight * MatProjLight;
    OutPosition0 = vec3(0.0);
    OutPosition1 = InNormal;
    OutColor0 = vec4(0.0, 0.0, 0.0, 1.0);
    OutTexCoord0 = InTexCoord;
}
