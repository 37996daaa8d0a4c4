#version 450 core
// PsSky: evening colour, two scrolling cloud layers shaped by sine waves,
// stars that fade toward the horizon.
#include "sky_constants.glsl"
#include "pixel_inputs.glsl"

layout(binding = 0) uniform sampler2D TexCloud;
layout(binding = 1) uniform sampler2D TexStar;

#include "sky_colour.glsl"

layout(location = 0) out vec4 Target0;

void main() { Target0 = vec4(SkyColour(Position0, TexCoord0, gl_FragCoord.y, true), 1.0); }
