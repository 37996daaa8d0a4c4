// ConstantBuffer1 (b0): camera and the sixteen lights, written once a frame.
// Matrices arrive transposed, so `v * M` is the row-vector product.
layout(std140, binding = 0) uniform ConstantBuffer1 {
    mat4 MatWorld;        // 0
    mat4 MatView;         // 64
    mat4 MatProj;         // 128
    vec4 LightColor[16];  // 192, w = intensity
    vec4 LightPos[16];    // 448
    vec4 EyePos;          // 704
};
