// ConstantBufferVolumeLight (b4): the light-shaft ray march.
layout(std140, binding = 4) uniform ConstantBufferVolumeLight {
    mat4 MatWorldVL;         // 0
    mat4 MatViewVL;          // 64
    mat4 MatProjVL;          // 128
    vec4 EyeVL;              // 192
    vec4 MoveVL;             // 208
    vec4 VolumeLightParam1;  // 224
    vec4 VolumeLightParam2;  // 240
};
