// ConstantBufferPointLight (b3): one lamp's cube-face views and parameters.
layout(std140, binding = 3) uniform ConstantBufferPointLight {
    mat4 MatLight;         // 0
    mat4 MatLight1;        // 64
    mat4 MatLight2;        // 128
    mat4 MatLight3;        // 192
    mat4 MatLight4;        // 256
    mat4 MatLight5;        // 320
    mat4 MatLight6;        // 384
    mat4 MatProjLight;     // 448
    vec4 PointLightPos;    // 512
    vec4 PointLightColor;  // 528
    vec4 ShadowParam;      // 544
};
