#pragma once
// The GLSL programs of render/shaders, validated at build time and embedded
// in the executable. Stages are looked up by file name ("ps_scene.frag"), the
// shared pieces by theirs ("frame_constants.glsl", not expanded).

// The source text, or null when no such file was embedded.
const char* FindShaderSource(const char* name);
