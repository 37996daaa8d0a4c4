#pragma once
#include "model/model.h"

// Inserts one influence into a geometry's weight row, keeping the row's
// eight entries sorted by weight, largest first. A weight that does not
// beat an entry by more than 0.000001 goes after it; one that beats none is
// dropped, and a full row loses its smallest entry. Rows that do not exist
// are left alone.
void InsertWeight(CGeometry& geometry, int vertex, int boneIndex, float weight);
