#pragma once
// Numbers a reader must not let through: NaN or infinity in vertex data,
// matrices or skin weights would spread through every pose, bound and file
// written from the model.
#include "model/model.h"
#include "platform/status.h"

// A failure naming the first array or matrix that holds a number that is not
// finite ("NaN or infinity in the array \"mesh-pos\" of geometry \"g\"").
Status CheckModelFinite(const CModel& model);
