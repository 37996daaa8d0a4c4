// ConstantBuffer3 (b2): the mesh's bind shape matrix and the bone palette.
layout(std140, binding = 2) uniform ConstantBuffer3 {
    mat4 BindShapeMatrix;  // 0
    mat4 BoneMatrix[255];  // 64
};
