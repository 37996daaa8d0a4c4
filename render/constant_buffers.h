#pragma once
// CPU images of the uniform blocks, byte for byte as the shaders declare them
// (std140). Every matrix is stored transposed: the shaders read `v * M`.
#include <cstddef>

#include "math/math.h"

// Binding points: the b, t and s slots keep their numbers.
enum ConstantSlot : unsigned {
    kSlotFrame = 0,        // ConstantBuffer1
    kSlotMaterial = 1,     // MaterialConstants: the model passes read Tint
    kSlotSkinning = 2,     // ConstantBuffer3
    kSlotLightOrSky = 3,   // ConstantBufferPointLight or ConstantBufferSky
    kSlotVolumeLight = 4,  // ConstantBufferVolumeLight
    kSlotShaftLookup = 5,  // ShaftLookup of the lamp whose shafts are drawn
};

constexpr int kLightCount = 16;
constexpr int kBonePaletteSize = 255;

struct FrameConstants {  // ConstantBuffer1
    Matrix4 MatWorld;
    Matrix4 MatView;
    Matrix4 MatProj;
    Vector4 LightColor[kLightCount];
    Vector4 LightPos[kLightCount];
    Vector4 EyePos;
};
static_assert(sizeof(FrameConstants) == 720);
static_assert(offsetof(FrameConstants, MatView) == 64);
static_assert(offsetof(FrameConstants, MatProj) == 128);
static_assert(offsetof(FrameConstants, LightColor) == 192);
static_assert(offsetof(FrameConstants, LightPos) == 448);
static_assert(offsetof(FrameConstants, EyePos) == 704);

struct MaterialConstants {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    // What the texture sample is multiplied by: white for a textured
    // material, the diffuse colour (alpha 1) for one without a texture.
    float tint[4];
};
static_assert(sizeof(MaterialConstants) == 64);

struct SkinningConstants {  // ConstantBuffer3
    Matrix4 BindShapeMatrix;
    Matrix4 BoneMatrix[kBonePaletteSize];
};
static_assert(sizeof(SkinningConstants) == 16384);
static_assert(offsetof(SkinningConstants, BoneMatrix) == 64);

struct PointLightConstants {  // ConstantBufferPointLight
    Matrix4 MatLight;
    Matrix4 MatLightFace[6];  // MatLight1 ... MatLight6
    Matrix4 MatProjLight;
    Vector4 PointLightPos;
    Vector4 PointLightColor;
    Vector4 ShadowParam;
};
static_assert(sizeof(PointLightConstants) == 560);
static_assert(offsetof(PointLightConstants, MatLightFace) == 64);
static_assert(offsetof(PointLightConstants, MatProjLight) == 448);
static_assert(offsetof(PointLightConstants, PointLightPos) == 512);
static_assert(offsetof(PointLightConstants, PointLightColor) == 528);
static_assert(offsetof(PointLightConstants, ShadowParam) == 544);

struct SkyConstants {  // ConstantBufferSky
    Matrix4 MatMoon;
    Vector4 SkyColor;
    Vector4 SkyParam;
    Vector4 SunPos;
    Vector4 MoonPos;
    Vector4 CloudParam1;
    Vector4 CloudParam2[16];
};
static_assert(sizeof(SkyConstants) == 400);
static_assert(offsetof(SkyConstants, SkyColor) == 64);
static_assert(offsetof(SkyConstants, SkyParam) == 80);
static_assert(offsetof(SkyConstants, SunPos) == 96);
static_assert(offsetof(SkyConstants, MoonPos) == 112);
static_assert(offsetof(SkyConstants, CloudParam1) == 128);
static_assert(offsetof(SkyConstants, CloudParam2) == 144);

struct VolumeLightConstants {  // ConstantBufferVolumeLight
    Matrix4 MatWorldVL;
    Matrix4 MatViewVL;
    Matrix4 MatProjVL;
    Vector4 EyeVL;
    Vector4 MoveVL;
    Vector4 VolumeLightParam1;
    Vector4 VolumeLightParam2;
};
static_assert(sizeof(VolumeLightConstants) == 256);
static_assert(offsetof(VolumeLightConstants, EyeVL) == 192);
static_assert(offsetof(VolumeLightConstants, MoveVL) == 208);
static_assert(offsetof(VolumeLightConstants, VolumeLightParam1) == 224);
static_assert(offsetof(VolumeLightConstants, VolumeLightParam2) == 240);

// Where the model lies in each cube face of a lamp: the smallest rectangle
// of texels (x0, y0, x1, y1) holding every texel it drew; x1 < x0 for none.
struct ShadowMapBounds {
    int CoveredTexels[6][4];
};

// The shaft pass's view of one lamp's cube maps, face by face where they may
// hide a sample: the faces whose samples can see their look-up's w within
// [0, 0.0101] (band faces), and the faces the model drew in (covered faces).
struct ShaftLookup {
    Matrix4 BandLookup[6];     // MatLightk times MatProjLight, transposed
    Matrix4 CoveredLookup[6];  // the same for the covered faces
    int CoveredTexels[6][4];   // their texel rectangles (ShadowMapBounds)
    int BandFaces[8];          // face numbers 0 ... 5
    int CoveredFaces[8];
    int FaceCounts[4];  // band faces, covered faces, 0, 0
};
static_assert(sizeof(ShaftLookup) == 944);
static_assert(offsetof(ShaftLookup, CoveredLookup) == 384);
static_assert(offsetof(ShaftLookup, CoveredTexels) == 768);
static_assert(offsetof(ShaftLookup, BandFaces) == 864);
static_assert(offsetof(ShaftLookup, CoveredFaces) == 896);
static_assert(offsetof(ShaftLookup, FaceCounts) == 928);
