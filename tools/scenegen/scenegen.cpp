#include "tools/scenegen/scenegen.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <filesystem>

#include "platform/file_io.h"
#include "tools/scenegen/dae_writer.h"
#include "tools/scenegen/figure.h"
#include "tools/scenegen/room.h"
#include "tools/scenegen/room_shading.h"
#include "tools/scenegen/sky_images.h"
#include "tools/scenegen/ui_images.h"

namespace scenegen {
namespace {

bool Opaque(const QImage& img) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) != 255) return false;
    return true;
}

std::string Png(const QImage& source) {
    const QImage img = source.convertToFormat(Opaque(source) ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(0);  // smallest file (strongest compression)
    if (!writer.write(img)) return {};
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QImage Decode(const std::string& bytes) {
    QImage img;
    img.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "PNG");
    return img.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

std::vector<GeneratedFile> GenerateScene(std::string* error) {
    std::vector<GeneratedFile> files;
    const std::string room = "model/washitu/";
    files.push_back({room + "washitu1.dae", WriteDae(BuildFigure())});
    files.push_back({room + "washitu2.dae", WriteDae(BuildRoomShell())});
    files.push_back({room + "washitu3.dae", WriteDae(BuildRoomContents())});
    files.push_back({room + kFigureTextureFile, Png(PaintFigureTexture())});
    files.push_back({room + kRoomTextureFile, Png(PaintRoomPalette())});
    files.push_back({"img/cloud.png", Png(PaintClouds())});
    files.push_back({"img/star.png", Png(PaintStars())});
    files.push_back({"img/moon.png", Png(PaintMoon())});
    for (const NamedImage& n : PaintInterfaceImages()) files.push_back({"pict/" + n.name.toStdString(), Png(n.image)});
    for (const GeneratedFile& f : files)
        if (f.bytes.empty()) {
            if (error) *error = "could not encode " + f.path;
            return {};
        }
    return files;
}

bool WriteScene(const std::vector<GeneratedFile>& files, const std::string& root, std::string* error) {
    for (const GeneratedFile& f : files) {
        const std::filesystem::path path = std::filesystem::path(root) / f.path;
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        if (!WriteFileAtomically(path.string(), f.bytes)) {
            if (error) *error = "cannot write " + path.string();
            return false;
        }
    }
    return true;
}

std::string ContactSheet(const std::vector<GeneratedFile>& files) {
    // Each image enlarged by a whole factor so that its pixels stay sharp,
    // laid out in rows on a checkerboard that shows transparency.
    struct Tile {
        QImage image;
        int scale;
    };
    std::vector<Tile> tiles;
    for (const GeneratedFile& f : files) {
        if (f.path.size() < 4 || f.path.compare(f.path.size() - 4, 4, ".png") != 0) continue;
        QImage img = Decode(f.bytes);
        int scale = 1;
        while (img.width() * (scale + 1) <= 260 && img.height() * (scale + 1) <= 260) ++scale;
        if (img.width() > 300) scale = 1;
        tiles.push_back({img, scale});
    }
    const int width = 1600, pad = 16;
    int x = pad, y = pad, rowH = 0;
    std::vector<QPoint> at;
    for (const Tile& t : tiles) {
        const int w = t.image.width() * t.scale, h = t.image.height() * t.scale;
        if (x + w + pad > width) {
            x = pad;
            y += rowH + pad;
            rowH = 0;
        }
        at.push_back({x, y});
        x += w + pad;
        rowH = std::max(rowH, h);
    }
    QImage sheet(width, y + rowH + pad, QImage::Format_ARGB32);
    sheet.fill(QColor(60, 60, 64));
    QPainter p(&sheet);
    for (size_t i = 0; i < tiles.size(); ++i) {
        const Tile& t = tiles[i];
        const QRect r(at[i], QSize(t.image.width() * t.scale, t.image.height() * t.scale));
        for (int cy = r.top(); cy < r.bottom(); cy += 8)
            for (int cx = r.left(); cx < r.right(); cx += 8)
                p.fillRect(
                    QRect(cx, cy, std::min(8, r.right() + 1 - cx), std::min(8, r.bottom() + 1 - cy)),
                    ((cx - r.left()) / 8 + (cy - r.top()) / 8) % 2 ? QColor(200, 200, 200) : QColor(170, 170, 170));
        p.drawImage(r, t.image.scaled(r.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    p.end();
    return Png(sheet);
}

}  // namespace scenegen
