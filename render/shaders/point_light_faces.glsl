// ConstantBufferPointLight (b3) seen with its six face views as one array:
// the same std140 bytes as point_light_constants.glsl (MatLight1 ... 6 are
// 64 bytes apart), so a per-sample face can index them.
layout(std140, binding = 3) uniform ConstantBufferPointLight {
    mat4 MatLight;          // 0
    mat4 MatLightFace[6];   // 64 ... 384: MatLight1 ... MatLight6
    mat4 MatProjLight;      // 448
    vec4 PointLightPos;     // 512
    vec4 PointLightColor;   // 528
    vec4 ShadowParam;       // 544
};
