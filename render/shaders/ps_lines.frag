#version 450 core
// PsLines: the vertex colour as it is.
#include "pixel_inputs.glsl"

layout(location = 0) out vec4 Target0;

void main() { Target0 = Color0; }
