#include "collada/skin_weights.h"

void InsertWeight(CGeometry& geometry, int vertex, int boneIndex, float weight) {
    if (!geometry.weights) return;
    CBoneWeight* row = geometry.weights->Row(vertex);
    if (!row) return;
    int i = 0;
    while (i < MaxBoneInfluences && !(row[i].weight + 0.000001f < weight)) ++i;
    if (i == MaxBoneInfluences) return;
    for (int j = MaxBoneInfluences - 1; j > i; --j) row[j] = row[j - 1];
    row[i].boneIndex = static_cast<float>(boneIndex);
    row[i].weight = weight;
}
