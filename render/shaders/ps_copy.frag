#version 450 core
// PsCopy: a picture stretched over the target, filtered linearly; the
// renderer binds an edge-clamping sampler for it.
#include "pixel_inputs.glsl"

layout(binding = 0) uniform sampler2D TexDiffuse;

layout(location = 0) out vec4 Target0;

void main() { Target0 = textureLod(TexDiffuse, TexCoord0, 0.0); }
