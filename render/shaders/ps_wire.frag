#version 450 core
// PsWire: the model's edges in one colour.
#include "inspect_constants.glsl"
#include "pixel_inputs.glsl"

layout(location = 0) out vec4 Target0;

void main() { Target0 = LineColor; }
