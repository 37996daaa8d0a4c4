// ConstantBufferSky (b3, in place of the lamp's buffer).
layout(std140, binding = 3) uniform ConstantBufferSky {
    mat4 MatMoon;            // 0
    vec4 SkyColor;           // 64
    vec4 SkyParam;           // 80
    vec4 SunPos;             // 96
    vec4 MoonPos;            // 112
    vec4 CloudParam1;        // 128
    vec4 CloudParam2[16];    // 144
};
