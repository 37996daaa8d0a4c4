// Cube-face selection and view of a lamp. Needs point_light_constants.glsl.
// Cube face 1..6 (-X, -Y, -Z, +X, +Y, +Z) whose axis is closest to d.
int CubeFaceOf(vec3 d) {
    float f[6] = float[6](-d.x, -d.y, -d.z, d.x, d.y, d.z);
    float m = max(max(max(f[0], f[1]), max(f[2], f[3])), max(f[4], f[5])) - 0.001;
    for (int k = 0; k < 5; ++k)
        if (f[k] > m) return k + 1;
    return 6;
}

mat4 CubeFaceView(int k) {
    switch (k) {
    case 1: return MatLight1;
    case 2: return MatLight2;
    case 3: return MatLight3;
    case 4: return MatLight4;
    case 5: return MatLight5;
    default: return MatLight6;
    }
}
