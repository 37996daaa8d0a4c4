// The interpolants every pixel program reads (gl_FragCoord is the position).
layout(location = 0) in vec3 Position0;
layout(location = 1) in vec3 Position1;
layout(location = 2) in vec4 Color0;
layout(location = 3) in vec2 TexCoord0;
