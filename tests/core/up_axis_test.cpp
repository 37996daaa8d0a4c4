// The up-axis rotation: the document's up becomes +Z, right-handedness is
// kept, and a transform converted with ToZUp moves converted points exactly
// as the original moves the original points.
#include <gtest/gtest.h>

#include <array>

#include "math/up_axis.h"

namespace {

Vector3 Apply(const Vector3& p, const Matrix4& m) {
    const Vector4 r = TransformRow({p.x, p.y, p.z, 1}, m);
    return {r.x, r.y, r.z};
}

void ExpectNear(const Vector3& a, const Vector3& b) {
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
}

}  // namespace

TEST(UpAxis, TurnsTheDocumentUpIntoZAndKeepsTransformsConsistent) {
    struct Case {
        UpAxis up;
        Vector3 docUp;
        Vector3 docRight;
        Vector3 right;
    };
    const Case cases[] = {
        {UpAxis::Z, {0, 0, 1}, {1, 0, 0}, {1, 0, 0}},
        {UpAxis::Y, {0, 1, 0}, {1, 0, 0}, {1, 0, 0}},
        {UpAxis::X, {1, 0, 0}, {0, -1, 0}, {1, 0, 0}},
    };
    // A rotation about the document's first axis and a shift: no symmetry hides a wrong order.
    const Matrix4 move = MultiplyMatrix(
        Matrix4::FromFloats(std::array<float, 16>{1, 0, 0, 0, 0, 0.6f, 0.8f, 0, 0, -0.8f, 0.6f, 0, 0, 0, 0, 1}.data()),
        Matrix4::FromFloats(std::array<float, 16>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2, -3, 5, 1}.data()));
    const Vector3 p{0.5f, -1.25f, 4};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.up));
        ExpectNear(ToZUp(c.docUp, c.up), {0, 0, 1});
        ExpectNear(ToZUp(c.docRight, c.up), c.right);
        ExpectNear(Apply(p, UpAxisRotation(c.up)), ToZUp(p, c.up));
        ExpectNear(Apply(ToZUp(p, c.up), ToZUp(move, c.up)), ToZUp(Apply(p, move), c.up));
    }
}
