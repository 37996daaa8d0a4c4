#pragma once
// Sky textures: clouds and stars (the sky shader reads their blue channel;
// both tile) and the moon (read as RGBA, transparent around the disc).
#include <QImage>

namespace scenegen {

QImage PaintClouds();
QImage PaintStars();
QImage PaintMoon();

}  // namespace scenegen
