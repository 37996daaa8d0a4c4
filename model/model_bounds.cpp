#include "model/model_bounds.h"

#include <algorithm>
#include <unordered_set>

bool ModelBounds(const CModel& model, ModelBox& box) {
    // The running box in locals: through `box` every store could alias the
    // vertex floats, and the loop would go to memory on each one.
    bool any = false;
    float lo[3] = {}, hi[3] = {};
    for (const CGeometry* g : model.geometries) {
        std::unordered_set<std::u16string_view> positionIds;
        for (const CPolygonData* p : g->polygonData) positionIds.insert(p->vertexId.View());
        const float* m = g->bindShapeMatrix;  // column vectors: translation in 3, 7, 11
        for (const CFloatArray* a : g->floatArrays) {
            if (a->FloatCount() != 3 || !positionIds.count(a->id.View())) continue;
            const auto* v = static_cast<const float*>(a->values->Data());
            for (int i = 0; i < a->values->Count(); ++i, v += 3) {
                for (int r = 0; r < 3; ++r) {
                    const float c = m[4 * r] * v[0] + m[4 * r + 1] * v[1] + m[4 * r + 2] * v[2] + m[4 * r + 3];
                    lo[r] = any ? std::min(lo[r], c) : c;
                    hi[r] = any ? std::max(hi[r], c) : c;
                }
                any = true;
            }
        }
    }
    if (any)
        for (int r = 0; r < 3; ++r) box.min[r] = lo[r], box.max[r] = hi[r];
    return any;
}
