#pragma once
// The sky's CPU-side data: the colour ramp over the time of day, the seeded
// cloud wave parameters and the dome and moon-quad geometry. Free of GL so
// that it can be checked alone.
#include <cstdint>
#include <vector>

#include "render/constant_buffers.h"
#include "math/math.h"

// The C library generator of the original platform: x = x * 214013 + 2531011
// on 32 bits, each call yielding bits 16..30. Kept as an object so the sky's
// clouds do not depend on (or disturb) anyone else's use of rand().
class SkyRandom {
public:
    explicit SkyRandom(std::uint32_t seed) : state_(seed) {}
    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

private:
    std::uint32_t state_;
};

struct SkyRgb {
    int r, g, b;
};

// Colour ramp of the sky over the time of day in seconds; components in 0..255
// with red and green at least 10 and blue at least 60.
SkyRgb SkyColourAt(int timeOfDay);

// Zeroes `mirror`, then fills CloudParam2 from the generator seeded with
// `seed` and sets CloudParam1.
void FillCloudParameters(SkyConstants& mirror, std::uint32_t seed);

// Rotation about X by `angle`, then translation by `moon`; row-vector form.
Matrix4 MoonMatrix(float angle, const Vector4& moon);

struct SkyVertex {
    float position[3];
    float normal[3];
    float texcoord[2];
};

// The flattened dome of radius 1000: 17 rows by 16 columns of cells, four
// vertices per cell, drawn as one triangle strip.
std::vector<SkyVertex> BuildDomeVertices();
// The moon quad of half-size `size` in the XZ plane, texture coordinates -1..1.
std::vector<SkyVertex> BuildMoonVertices(float size);
