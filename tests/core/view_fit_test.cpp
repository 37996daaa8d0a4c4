// Framing: the posed model's box, and the orbit camera moved to show it.
#include <gtest/gtest.h>

#include "math/view_fit.h"
#include "model/model.h"
#include "model/posed_bounds.h"
#include "model/render_model.h"

namespace {
Bounds3 Box(Vector3 lo, Vector3 hi, float grow = 1.0f) {
    const Vector3 c{(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
    Bounds3 b;
    b.Add({c.x + (lo.x - c.x) * grow, c.y + (lo.y - c.y) * grow, c.z + (lo.z - c.z) * grow});
    b.Add({c.x + (hi.x - c.x) * grow, c.y + (hi.y - c.y) * grow, c.z + (hi.z - c.z) * grow});
    return b;
}
}  // namespace

// Behind the eye, far off, small, flat: after the fit the whole box is in
// view, the direction kept, and a box twice as large would not fit.
TEST(ViewFit, ShowsTheWholeBoxTightly) {
    const struct {
        Vector3 lo, hi;
        OrbitView view;
        float aspect;
    } cases[] = {
        {{-0.3f, 9.8f, 0}, {0.3f, 10.2f, 1.8f}, {1.5f, 1.5f, {0, -3.5f, 1.5f}, 6}, 1.5f},
        {{100, 200, -5}, {140, 260, 30}, {1.5f, 1.5f, {0, -3.5f, 1.5f}, 6}, 1.5f},
        {{-0.1f, -0.1f, 0}, {0.1f, 0.1f, 0.2f}, {0.4f, -2.0f, {50, 50, 5}, 50}, 0.7f},
        {{-5, -5, 0}, {5, 5, 0}, {1.2f, 0.3f, {0, 0, 0}, 1}, 1.78f},
    };
    for (const auto& c : cases) {
        ASSERT_LT(ShareInView(Box(c.lo, c.hi), c.view, c.aspect), 0.5f);
        const OrbitView fitted = FitOrbitView(Box(c.lo, c.hi), c.view, c.aspect);
        EXPECT_EQ(fitted.rotationX, c.view.rotationX);
        EXPECT_EQ(fitted.rotationZ, c.view.rotationZ);
        EXPECT_FLOAT_EQ(ShareInView(Box(c.lo, c.hi), fitted, c.aspect), 1.0f);
        EXPECT_LT(ShareInView(Box(c.lo, c.hi, 2.0f), fitted, c.aspect), 1.0f);
    }
    EXPECT_EQ(FitOrbitView(Bounds3{}, cases[0].view, 1.5f).distance, 6.0f);  // nothing to frame
}

// A triangle weighted wholly to a bone moved by (10, 0, 0), one corner with
// no weights: the box is where the skinned shader draws the corners.
TEST(PosedBounds, FollowsTheBonesPose) {
    CModel model;
    auto* geometry = model.geometries.AddNew();
    auto* positions = geometry->floatArrays.AddNew();
    positions->id.SetAscii("p");
    positions->values = std::make_unique<CArray>(12);
    const float corners[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 0, 2}};
    for (const auto& corner : corners) positions->values->Add(corner);
    auto* block = geometry->polygonData.AddNew();
    block->vertexId.SetAscii("p");
    for (int v : {0, 1, 2}) block->vertexIndices.Add(v);
    geometry->weights = std::make_unique<CWeights>(3);
    for (int v : {0, 1}) geometry->weights->Row(v)[0] = {0.0f, 1.0f};

    CRenderModel posed;
    posed.bones.Add(posed.NewBone());
    posed.bones[0]->pose.m[3][0] = 10.0f;
    const Bounds3 box = PosedBounds(model, posed);
    EXPECT_FLOAT_EQ(box.min.x, 0.0f);  // the unweighted corner stays
    EXPECT_FLOAT_EQ(box.max.x, 11.0f);
    EXPECT_FLOAT_EQ(box.max.z, 2.0f);
}
