// Blends up to eight bones over the bind-shape transform. Needs
// skinning_constants.glsl and model_vertex.glsl before it.
void SkinVertex(out vec4 position, out vec3 normal) {
    vec4 b = vec4(InPosition, 1.0) * BindShapeMatrix;
    vec4 m = vec4(InNormal, 0.0) * BindShapeMatrix;  // a direction: no translation
    vec4 s = vec4(0.0);
    vec3 sn = vec3(0.0);
    bool any = false;
    for (int k = 0; k < 8; ++k) {
        float w = clamp(InBone[k].y, 0.0, 1.0);
        if (w > 0.0000001) {
            int j = int(InBone[k].x + 0.0001);
            // Bones past the palette are not drawn skinned.
            if (j < 0 || j > 254) continue;
            s += w * (b * BoneMatrix[j]);
            sn += w * (m * BoneMatrix[j]).xyz;
            any = true;
        }
    }
    if (!any) {
        s = b;
        sn = m.xyz;
    }
    position = s;
    normal = sn;
}
