// Framing: the posed model's box, and the orbit camera moved to show it.
#include <gtest/gtest.h>

#include "math/view_fit.h"
#include "model/model.h"
#include "model/posed_bounds.h"
#include "model/render_model.h"

namespace {

Bounds3 Box(Vector3 lo, Vector3 hi) {
    Bounds3 b;
    b.Add(lo);
    b.Add(hi);
    return b;
}

Bounds3 Grown(const Bounds3& b, float factor) {
    const Vector3 c = b.Center();
    const auto grow = [&](const Vector3& p) {
        return Vector3{c.x + (p.x - c.x) * factor, c.y + (p.y - c.y) * factor, c.z + (p.z - c.z) * factor};
    };
    return Box(grow(b.min), grow(b.max));
}

}  // namespace

// Far off, behind, huge, tiny, flat: after the fit the whole box is in view,
// the direction of view is kept, and the box is not far smaller than the view.
TEST(ViewFit, ShowsTheWholeBoxTightly) {
    const struct { Bounds3 box; OrbitView view; float aspect; } cases[] = {
        {Box({-0.3f, 9.8f, 0}, {0.3f, 10.2f, 1.8f}), {1.5f, 1.5f, {0, -3.5f, 1.5f}, 6}, 1.5f},
        {Box({100, 200, -5}, {140, 260, 30}), {1.5f, 1.5f, {0, -3.5f, 1.5f}, 6}, 1.5f},
        {Box({-0.1f, -0.1f, 0}, {0.1f, 0.1f, 0.2f}), {0.4f, -2.0f, {50, 50, 5}, 50}, 0.7f},
        {Box({-5, -5, 0}, {5, 5, 0}), {1.2f, 0.3f, {0, 0, 0}, 1}, 1.78f},
    };
    for (const auto& c : cases) {
        ASSERT_LT(ShareInView(c.box, c.view, c.aspect), 0.5f);
        const OrbitView fitted = FitOrbitView(c.box, c.view, c.aspect);
        EXPECT_EQ(fitted.rotationX, c.view.rotationX);
        EXPECT_EQ(fitted.rotationZ, c.view.rotationZ);
        EXPECT_FLOAT_EQ(ShareInView(c.box, fitted, c.aspect), 1.0f);
        EXPECT_LT(ShareInView(Grown(c.box, 2.0f), fitted, c.aspect), 1.0f);
    }
    // Nothing to frame: the view stays.
    const OrbitView view{1.5f, 1.5f, {1, 2, 3}, 6};
    EXPECT_EQ(FitOrbitView(Bounds3{}, view, 1.5f).distance, 6.0f);
    EXPECT_EQ(ShareInView(Bounds3{}, view, 1.5f), 0.0f);
}

// A triangle weighted wholly to a bone moved by (10, 0, 0), one corner with
// no weights: the box is where the skinned shader draws the corners.
TEST(PosedBounds, FollowsTheBonesPose) {
    CModel model;
    auto* geometry = new CGeometry;
    geometry->vertexCount = 3;
    auto* positions = new CFloatArray;
    positions->id.SetAscii("p");
    positions->values = new CArray(12);
    const float corners[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 0, 2}};
    for (const auto& corner : corners) positions->values->Add(corner);
    geometry->floatArrays.Add(positions);
    auto* block = new CPolygonData;
    block->vertexId.SetAscii("p");
    for (int v : {0, 1, 2}) block->vertexIndices.Add(v);
    geometry->polygonData.Add(block);
    geometry->weights = new CWeights(3);
    for (int v : {0, 1}) geometry->weights->Row(v)[0] = {0.0f, 1.0f};
    model.geometries.Add(geometry);

    CRenderModel posed;
    auto* bone = new CRenderBone;
    bone->pose.m[3][0] = 10.0f;
    posed.bones.Add(bone);
    const Bounds3 box = PosedBounds(model, posed);
    EXPECT_FLOAT_EQ(box.min.x, 0.0f);  // the unweighted corner stays
    EXPECT_FLOAT_EQ(box.max.x, 11.0f);
    EXPECT_FLOAT_EQ(box.max.z, 2.0f);
    EXPECT_TRUE(PosedBounds(CModel{}, posed).Empty());
}
