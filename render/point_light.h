#pragma once
// A shadow-casting lamp of the room. It renders the current model once into
// six cube-face depth maps, and every frame renders from the camera an image
// of the model lit by this lamp with those shadows (into the renderer's
// LampRaw, which the lamps share), then filters it into the renderer's
// LampShadow, which holds the least over the lamps for the composition.
// Nothing of a lamp depends on the render size.
#include <vector>

#include "render/constant_buffers.h"
#include "render/renderer.h"

class CRenderModelGpu;

class CPointLight {
public:
    CPointLight();
    ~CPointLight() = default;  // GL objects go with Release
    CPointLight(const CPointLight&) = delete;
    CPointLight& operator=(const CPointLight&) = delete;

    // Creates the six face maps with their shared 256 x 256 depth buffer and
    // the constant buffer. False for a null renderer.
    [[nodiscard]] bool Create(CRenderer* renderer);
    void Release();

    // Face views and projection into the mirror; upload; bind at b3.
    void UpdateLightConstants(CRenderer& renderer);
    // The one-time cube-map pass. False, doing nothing, for a null renderer
    // or when this light's maps are already done.
    bool RenderShadowMaps(CRenderer* renderer, CRenderModelGpu* model);
    // The per-frame lamp image of the model, followed by its filter, which
    // writes the lamp's shadow term over the model's pixels of LampShadow:
    // replacing what is there, or keeping the lesser (`combine`, the frame's
    // second and later lamps, which cover the same pixels and come straight
    // after the first: they clear the depth buffer only where it drew).
    // Away from the model the term is EmptyShadow(), which the caller clears
    // in first.
    void RenderLightImage(CRenderer& renderer, CRenderModelGpu* model, bool combine = false);
    void FilterLightImage(CRenderer& renderer, bool combine = false);
    float EmptyShadow() const;

    // --- fields
    Vector4 Position{0, 0, 2.0f, 1.0f};
    Vector4 Color{1, 1, 1, 1};  // w = intensity
    float ColorWeight = 0.5f;
    float ShadowParam[2] = {1.0f, 1.0f};
    int ShadowMapSize = 256;
    int ShadowMapsDone = 0;

    // 0..5: views of the layers of FaceArray, so the maps are stored once.
    const CRenderTarget& FaceMap(int face) const { return faces_[face]; }
    const Matrix4& FaceView(int face) const { return faceViews_[face]; }
    GLuint ConstantBuffer() const { return constantBuffer_; }
    const PointLightConstants& Mirror() const { return mirror_; }
    // Binds the six face maps at t2..t7 with the shared sampler.
    void BindFaceMaps(CRenderer& renderer) const;
    // The six face maps as layers 0..5 of one array texture, for passes that
    // pick a face per sample.
    GLuint FaceArray() const { return faceArray_; }
    // Where the model lies in each face, found when the maps are rendered.
    const ShadowMapBounds& Bounds() const { return bounds_; }
    // The pixels the model covered in the last lamp image (x0, y0, x1, y1;
    // x1 < x0 for none): the filter pass covers only these.
    const int* ModelPixels() const { return modelPixels_; }

private:
    GLuint constantBuffer_ = 0;
    PointLightConstants mirror_{};
    Matrix4 faceViews_[6];
    CRenderTarget faces_[6];  // each framebuffer also holds faceDepth_
    GLuint faceDepth_ = 0;
    GLuint faceArray_ = 0;
    ShadowMapBounds bounds_{};
    std::vector<float> faceDepths_;  // one face's red channel, read back once per map build
    GLuint modelPixelsBuffer_ = 0;   // what PsShadowLight grows: x0, y0, x1, y1
    int modelPixels_[4] = {0, 0, -1, -1};
};
