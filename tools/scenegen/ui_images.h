#pragma once
// The interface pictures: every button's normal and pressed image and the
// four file-type icons, drawn at their size on a 1920 x 1080 screen in the
// default interface colours.
#include <QImage>
#include <QString>
#include <vector>

namespace scenegen {

struct NamedImage {
    QString name;  // file name under pict/
    QImage image;
};

std::vector<NamedImage> PaintInterfaceImages();

}  // namespace scenegen
