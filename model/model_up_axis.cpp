#include "model/model_up_axis.h"

#include <cmath>
#include <unordered_set>
#include <vector>

#include "model/animation.h"

namespace {

// A turn only moves values and flips signs; adding 0 keeps a rotated zero
// from being written as "-0.000000".
float Positive0(float v) { return v + 0.0f; }

void TurnMatrix(float* m16, UpAxis up) {
    // The conjugation R^T M R is the same for M and its transpose, so the
    // model's column-vector matrices turn as they are stored.
    const Matrix4 turned = ToZUp(Matrix4::FromFloats(m16), up);
    turned.ToFloats(m16);
    for (int i = 0; i < 16; ++i) m16[i] = Positive0(m16[i]);
}

void TurnVectors(CFloatArray& array, UpAxis up) {
    if (array.FloatCount() != 3) return;
    auto* v = static_cast<float*>(array.values->Data());
    for (int i = 0; i < array.values->Count(); ++i, v += 3) {
        const Vector3 t = ToZUp(Vector3{v[0], v[1], v[2]}, up);
        v[0] = Positive0(t.x), v[1] = Positive0(t.y), v[2] = Positive0(t.z);
    }
}

void TurnGeometry(CGeometry& g, UpAxis up) {
    TurnMatrix(g.bindShapeMatrix, up);
    std::unordered_set<std::u16string_view> ids;
    for (const CPolygonData* p : g.polygonData) {
        ids.insert(p->vertexId.View());
        ids.insert(p->normalId.View());
    }
    for (CFloatArray* a : g.floatArrays)
        if (!a->id.View().empty() && ids.count(a->id.View())) TurnVectors(*a, up);
}

// S M S^-1 for S = diag(s, s, s, 1), on a column-vector matrix stored row by
// row: the translation column times s, the projective row over s.
void ScaleMatrix(float* m16, float s) {
    for (int i = 0; i < 3; ++i) {
        m16[i * 4 + 3] *= s;
        m16[12 + i] /= s;
    }
}

// Visits every bone of the flat list and of the tree once.
template <class Visit>
void ForEachBone(CModel& model, Visit visit) {
    std::unordered_set<CBone*> seen;
    std::vector<CBone*> pending(model.bones.begin(), model.bones.end());
    pending.insert(pending.end(), model.rootBones.begin(), model.rootBones.end());
    while (!pending.empty()) {
        CBone* b = pending.back();
        pending.pop_back();
        if (!b || !seen.insert(b).second) continue;
        visit(*b);
        for (CBone* c : b->children) pending.push_back(c);
    }
}

// v_document = v * change (row vectors): turned up from the part's axis, down to the document's, then scaled.
Matrix4 FrameChange(UpAxis up, UpAxis documentUp, float scale) {
    Matrix4 change = MultiplyMatrix(UpAxisRotation(up), TransposeMatrix(UpAxisRotation(documentUp)));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) change.m[r][c] *= scale;
    return change;
}

float Scale(double metres, double documentMetres) {
    const auto valid = [](double m) { return m > 0.0 && std::isfinite(m); };
    const double s = valid(metres) && valid(documentMetres) ? metres / documentMetres : 1.0;
    return std::isfinite(static_cast<float>(s)) && s > 0.0 ? static_cast<float>(s) : 1.0f;
}

}  // namespace

void GeometryToDocumentFrame(CGeometry& g, UpAxis up, double metresPerUnit, UpAxis documentUp,
                             double documentMetresPerUnit) {
    const float scale = Scale(metresPerUnit, documentMetresPerUnit);
    if (up == documentUp && scale == 1.0f) return;
    std::unordered_set<std::u16string_view> positions, normals;
    for (const CPolygonData* p : g.polygonData) {
        positions.insert(p->vertexId.View());
        normals.insert(p->normalId.View());
    }
    for (CFloatArray* a : g.floatArrays) {
        const bool position = positions.count(a->id.View()) != 0;
        if (a->id.View().empty() || a->FloatCount() != 3 || (!position && !normals.count(a->id.View()))) continue;
        const Matrix4 change = FrameChange(up, documentUp, position ? scale : 1.0f);
        auto* v = static_cast<float*>(a->values->Data());
        for (int i = 0; i < a->values->Count(); ++i, v += 3) {
            const float x = v[0], y = v[1], z = v[2];
            for (int c = 0; c < 3; ++c) v[c] = Positive0(x * change.m[0][c] + y * change.m[1][c] + z * change.m[2][c]);
        }
    }
}

void NodeToDocumentFrame(float* m16, UpAxis up, double metresPerUnit, UpAxis documentUp, double documentMetresPerUnit) {
    const Matrix4 change = TransposeMatrix(FrameChange(up, documentUp, Scale(metresPerUnit, documentMetresPerUnit)));
    MultiplyMatrix(MultiplyMatrix(change, Matrix4::FromFloats(m16)), InverseMatrix(change)).ToFloats(m16);
    for (int i = 0; i < 16; ++i) m16[i] = Positive0(m16[i]);
}

void ModelToMetres(CModel& model, double metresPerUnit) {
    if (!(metresPerUnit > 0.0) || !std::isfinite(metresPerUnit) || metresPerUnit == 1.0) return;
    const auto s = static_cast<float>(metresPerUnit);
    if (!(s > 0.0f) || !std::isfinite(s)) return;  // beyond float's range
    for (CGeometry* g : model.geometries) {
        ScaleMatrix(g->bindShapeMatrix, s);
        std::unordered_set<std::u16string_view> ids;
        for (const CPolygonData* p : g->polygonData) ids.insert(p->vertexId.View());
        for (CFloatArray* a : g->floatArrays) {
            if (a->id.View().empty() || !ids.count(a->id.View()) || a->FloatCount() != 3) continue;
            auto* v = static_cast<float*>(a->values->Data());
            for (int i = 0; i < a->values->Count() * 3; ++i) v[i] *= s;
        }
    }
    ForEachBone(model, [s](CBone& b) {
        ScaleMatrix(b.jointMatrix, s);
        ScaleMatrix(b.invBindMatrix, s);
    });
    for (CAnimation* a : model.animations)
        for (CAnimationChannel* c : a->channels)
            for (CMatrixValue& m : c->poseMatrices) ScaleMatrix(m.m, s);
}

void ModelToZUp(CModel& model, UpAxis up) {
    if (up == UpAxis::Z) return;
    for (CGeometry* g : model.geometries) TurnGeometry(*g, up);
    // Bones of the flat list and of the tree (tree-only bones are not in
    // the list), each once.
    ForEachBone(model, [up](CBone& b) {
        TurnMatrix(b.jointMatrix, up);
        TurnMatrix(b.invBindMatrix, up);
    });
    for (CAnimation* a : model.animations)
        for (CAnimationChannel* c : a->channels)
            for (CMatrixValue& m : c->poseMatrices) TurnMatrix(m.m, up);
}
