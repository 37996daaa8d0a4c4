// What every vertex program hands to every pixel program.
out gl_PerVertex {
    vec4 gl_Position;
};
layout(location = 0) out vec3 OutPosition0;
layout(location = 1) out vec3 OutPosition1;
layout(location = 2) out vec4 OutColor0;
layout(location = 3) out vec2 OutTexCoord0;
