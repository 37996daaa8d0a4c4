#pragma once
// The background of the scene: a flattened dome with scrolling clouds and
// stars, and a moon quad, coloured by a fixed time of day.
#include <QImage>
#include <mutex>
#include <string>

#include "platform/status.h"
#include "render/constant_buffers.h"
#include "render/renderer.h"
#include "render/sky_data.h"

// The sky's three images, decoded (see DecodeSkyPictures).
struct SkyPictures {
    Result<QImage> cloud, star, moon;
};

// Where the sky's images are: a folder and the three file names in it.
struct SkyImages {
    std::string folder = "img";
    std::string cloud = "cloud.png";
    std::string star = "star.png";
    std::string moon = "moon.png";
};

// Reads and decodes the three images: no GL context needed, so a thread can
// do it while the renderer is made.
SkyPictures DecodeSkyPictures(const SkyImages& images);

class CSky {
public:
    CSky();
    ~CSky() = default;  // GL objects go with Release
    CSky(const CSky&) = delete;
    CSky& operator=(const CSky&) = delete;

    // Builds the dome, the moon quad, the constant buffer with the cloud
    // parameters, and uploads the three images. An image that could not be
    // read leaves its texture empty (draws black).
    void Create(CRenderer& renderer, const SkyPictures& pictures);
    void Release();

    // Called every timer tick: colour from the time of day, scroll angles.
    void Tick();
    // Draws dome and moon into whatever target is bound (no depth).
    void Draw(CRenderer& renderer);
    // The colour ramp at the current time of day.
    SkyRgb ComputeColour() const { return SkyColourAt(TimeOfDay); }

    // --- fields
    int TimeOfDay = 43200;
    float ParamZ = 0.0f;
    float ParamW = 0.5f;
    float Speed = 1.0f;
    int DomeVertexCount = 0;
    float Size1 = 30.0f;  // not read
    float Size2 = 30.0f;  // half-size of the moon quad
    Vector4 SunPos;
    Vector4 MoonPos;
    float ScrollAngle1 = 0.0f;
    float ScrollAngle2 = 0.0f;

    // A copy of the constant buffer's CPU image.
    SkyConstants Mirror() const;
    GLuint ConstantBuffer() const { return constantBuffer_; }
    GLuint CloudTexture() const { return cloud_; }
    GLuint StarTexture() const { return star_; }
    GLuint MoonTexture() const { return moon_; }

private:
    GLuint cloud_ = 0, star_ = 0, moon_ = 0;
    GLuint domeBuffer_ = 0;
    GLuint moonBuffer_ = 0;
    GLuint constantBuffer_ = 0;
    // The dome's strip up to triangle lowTriangles_ (exclusive) lies at or
    // below height 0, where PsSkyLow draws it.
    int lowTriangles_ = 0;
    // The tick (timer thread) writes the image the paint copies.
    mutable std::mutex mirrorLock_;
    SkyConstants mirror_{};
};
