#version 450 core
// PsSkyLow: PsSky for the part of the dome at or below height 0, where the
// clouds add nothing: the same colour without working them out.
#include "sky_constants.glsl"
#include "pixel_inputs.glsl"

layout(binding = 0) uniform sampler2D TexCloud;
layout(binding = 1) uniform sampler2D TexStar;

#include "sky_colour.glsl"

layout(location = 0) out vec4 Target0;

void main() { Target0 = vec4(SkyColour(Position0, TexCoord0, gl_FragCoord.y, false), 1.0); }
