#pragma once
// A shadow-casting lamp of the room. It renders the current model once into
// six cube-face depth maps, and every frame renders from the camera an image
// of the model lit by this lamp with those shadows, then filters it for the
// composition.
#include <vector>

#include "render/constant_buffers.h"
#include "render/renderer.h"

class CRenderModel;

class CPointLight {
public:
    CPointLight();
    ~CPointLight() = default;  // GL objects go with Release
    CPointLight(const CPointLight&) = delete;
    CPointLight& operator=(const CPointLight&) = delete;

    // Creates the images, the six face maps with their shared 256 x 256 depth
    // buffer, and the constant buffer. False for a null renderer.
    [[nodiscard]] bool Create(CRenderer* renderer);
    void Release();

    // Face views and projection into the mirror; upload; bind at b3.
    void UpdateLightConstants(CRenderer& renderer);
    // The one-time cube-map pass. False, doing nothing, for a null renderer
    // or when this light's maps are already done.
    bool RenderShadowMaps(CRenderer* renderer, CRenderModel* model);
    // The per-frame lamp image of the model, followed by its filter.
    void RenderLightImage(CRenderer& renderer, CRenderModel* model);
    void FilterLightImage(CRenderer& renderer);

    // --- fields
    Vector4 Position{0, 0, 2.0f, 1.0f};
    Vector4 Color{1, 1, 1, 1};  // w = intensity
    float ColorWeight = 0.5f;
    float ShadowParam[2] = {1.0f, 1.0f};
    int ShadowMapSize = 256;
    int ShadowMapsDone = 0;

    const CRenderTarget& FinalImage() const { return final_; }
    const CRenderTarget& RawImage() const { return raw_; }
    const CRenderTarget& LightShaftImage() const { return shaft_; }
    const CRenderTarget& FaceMap(int face) const { return faces_[face]; }  // 0..5
    const Matrix4& FaceView(int face) const { return faceViews_[face]; }
    GLuint ConstantBuffer() const { return constantBuffer_; }
    const PointLightConstants& Mirror() const { return mirror_; }
    // Binds the six face maps at t2..t7 with the shared sampler.
    void BindFaceMaps(CRenderer& renderer) const;
    // The six face maps as layers 0..5 of one array texture, copied when the
    // maps are rendered, for passes that pick a face per sample.
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
    CRenderTarget final_, raw_, shaft_;
    GLuint rawPass_ = 0;  // raw image + the renderer's depth buffer
    GLuint modelPixelsBuffer_ = 0;  // what PsShadowLight grows: x0, y0, x1, y1
    int modelPixels_[4] = {0, 0, -1, -1};
};
