// The colour of the sky dome at dome position P (POSITION0) and texture
// coordinate uv, on target row `row`. Needs sky_constants.glsl, TexCloud and
// TexStar. The clouds are weighted by clamp(P.z, 0, 1): where P.z <= 0 they
// add exactly 0, and `clouds` false leaves them out there.
vec3 SkyColour(vec3 P, vec2 uv, float row, bool clouds) {
    float c = 0.0;
    if (clouds) {
        float rho = length(P.xy);
        vec2 q = 0.4 * vec2(rho - P.x, rho - P.y);
        float waves = 0.0;
        for (int i = 0; i < 8; ++i) {
            vec4 w = CloudParam2[i];
            waves += (1.0 + sin(dot(w.xy, q) + SkyParam.y)) * w.x * CloudParam1.x * max(0.001, w.z) / 2.0;
        }
        float a = clamp(2.0 * waves + 0.3, 0.0, 1.0);
        float cloud = texture(TexCloud, vec2(uv.x - SkyParam.x, 0.5 * uv.y)).b +
                      texture(TexCloud, vec2(uv.x - (0.15 * SkyParam.x + 0.26), 0.5 * uv.y)).b;
        c = clamp(a * cloud * SkyParam.w * 0.5, 0.0, 1.0) * clamp(P.z, 0.0, 1.0);
    }
    float star = max(texture(TexStar, vec2(2.8 * uv.x, 2.5 * uv.y)).b - SkyParam.z, 0.0) *
                 clamp(2.0 - 0.9 * uv.y, 0.0, 1.0);
    float r = 0.002 * row;
    vec3 base = SkyColor.rgb + 1.8 * c * r * r;
    float st = max(star * (2.0 - SunPos.z) - 3.0 * c, 0.0);
    vec3 rgb = clamp(vec3(st) + base, 0.0, 1.0);
    if (all(greaterThanEqual(rgb, vec3(0.98)))) rgb = vec3(0.96);
    return rgb;
}
