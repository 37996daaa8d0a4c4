#pragma once
// Where a model is: the box around its bind-pose positions.
#include "model/model.h"

struct ModelBox {
    float min[3] = {};
    float max[3] = {};
};

// The box around every position the polygon data use, each placed by its
// geometry's bind shape matrix. False (box left as it is) for a model
// without positions.
[[nodiscard]] bool ModelBounds(const CModel& model, ModelBox& box);
