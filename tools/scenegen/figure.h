#pragma once
// The figure shown at start: a beckoning cat figurine, skinned to six joints,
// with a looping baked animation (the raised paw beckons three times a loop,
// the head sways, the tail swishes).
#include <QImage>

#include "tools/scenegen/dae_writer.h"

namespace scenegen {

// Where the figure stands (the centre of its base on the floor).
constexpr Vec3 kFigureBase{0.0, -3.5, 0.07};
// Loop length in key-time units (the viewer plays 3.75 units a second).
constexpr double kFigureLoop = 12.0;
constexpr const char* kFigureTextureFile = "washitu1_cat.png";

DaeDocument BuildFigure();
QImage PaintFigureTexture();

}  // namespace scenegen
