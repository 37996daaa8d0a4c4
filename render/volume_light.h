#pragma once
// The light shafts: for one lamp at a time, a ray march through the lamp's
// cube maps at reduced resolution, summed over the lamps in the reduced
// image, which the composition scales up bilinearly (the scale-up is linear,
// so this is the sum of the lamps' scale-ups).
#include "render/constant_buffers.h"
#include "render/renderer.h"

class CPointLight;

class CVolumeLight {
public:
    CVolumeLight();
    ~CVolumeLight() = default;  // GL objects go with Release
    CVolumeLight(const CVolumeLight&) = delete;
    CVolumeLight& operator=(const CVolumeLight&) = delete;

    // Creates the reduced image (full size times the scale, truncated) and
    // the constant buffer. False for a null renderer.
    [[nodiscard]] bool Create(CRenderer* renderer);
    void Release();
    // Re-makes the reduced image for the renderer's render size.
    void Resize(const CRenderer& renderer);
    // The march of `light` into the reduced image: replacing what is there,
    // or added to it (the frame's second and later lamps).
    void Render(CRenderer& renderer, CPointLight& light, bool add = false);

    int FullWidth = 0;
    int FullHeight = 0;
    float Scale = 0.4f;
    int Flag = 1;  // march every Flag-th pixel in x and y

    const CRenderTarget& ReducedImage() const { return reduced_; }
    // The last march's constants: what the composition's scale-up reads.
    GLuint ConstantBuffer() const { return constantBuffer_; }
    const VolumeLightConstants& Mirror() const { return mirror_; }
    const ShaftLookup& Lookup() const { return lookup_; }

    // The constants of the shaft pass for the renderer's camera, a lamp's
    // shadow-map size and the share of the targets' width and height the
    // frame covers.
    void FillConstants(const CRenderer& renderer, int shadowMapSize, float frameX = 1.0f, float frameY = 1.0f);
    // The lamp's face matrices and covered texels for the shaft pass.
    void FillLookup(const CPointLight& light);

private:
    void MakeReduced();

    GLuint constantBuffer_ = 0;
    VolumeLightConstants mirror_{};
    GLuint lookupBuffer_ = 0;
    ShaftLookup lookup_{};
    CRenderTarget reduced_;
};
