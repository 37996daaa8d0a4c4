#pragma once
// Shared set-up of the GPU tests: one headless context and renderer per test
// process, scenes rendered the way the display window renders a frame, and
// small builders for hand-made models.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/model.h"
#include "render/render_model_gpu.h"
#include "render/renderer.h"

class GpuTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;

    // Camera on the -Y side of At at `distance`, looking along +Y,
    // horizontal; all lights off.
    static void ResetScene(float distance = 6.0f);
    // Clears the scene colour (as the sky pass would), runs the main pass with
    // `model` (and optional room models) and the composition with
    // black lamp and shaft images over a (0.2, 0.4, 0.6) background; returns
    // the back buffer as RGBA8, top row first.
    static std::vector<unsigned char> RenderFrame(CRenderModelGpu* model, int width, int height,
                                                  CRenderModelGpu* room2 = nullptr, CRenderModelGpu* room3 = nullptr);
    // The scene depth target's rows 0 .. height-1, RGBA float.
    static std::vector<float> ReadSceneDepth(int width, int height);
    static std::vector<unsigned char> ReadSceneColor(int width, int height);

    static CRenderer* renderer;
    static std::string unavailable;
};

constexpr unsigned char kBackground[3] = {51, 102, 153};  // (0.2, 0.4, 0.6)

// Writes test output where a person can look at it: build/test-output/NAME.png.
void SavePng(const std::string& name, const std::vector<unsigned char>& rgba, int width, int height);

struct Pixel {
    int x = 0;
    int y = 0;
};
// Where world point `p` lands in a width x height viewport under the
// renderer's current MatView / MatProj (computed here on the CPU).
Pixel ProjectToPixel(const CRenderer& renderer, const Vector3& p, int width, int height);

const unsigned char* PixelAt(const std::vector<unsigned char>& rgba, int width, int x, int y);
bool IsBackground(const unsigned char* px, int tolerance = 2);

// --- hand-made models
CFloatArray* AddSource(CGeometry& g, const char* id, int floatsPerEntry, const std::vector<float>& values);
// A geometry of quads, each given by its four corners (counter-clockwise),
// with one polygon-data block using material `material` (may be empty).
CGeometry* AddQuads(CModel& model, const std::vector<std::vector<Vector3>>& quads, const Vector3& normal,
                    const char* material);
