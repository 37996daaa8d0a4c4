#include "tools/scenegen/sky_images.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/scenegen/geom.h"

namespace scenegen {
namespace {

// Smooth value noise on a lattice that wraps every `period` cells.
class TileNoise {
public:
    TileNoise(int periodX, int periodY, unsigned seed)
        : periodX_(periodX), periodY_(periodY), values_(static_cast<size_t>(periodX) * periodY) {
        Random r(seed);
        for (double& v : values_) v = r.Uniform();
    }
    double At(double x, double y) const {
        const double fx = std::floor(x), fy = std::floor(y);
        const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
        const double tx = Fade(x - fx), ty = Fade(y - fy);
        const double a = Cell(ix, iy), b = Cell(ix + 1, iy), c = Cell(ix, iy + 1), d = Cell(ix + 1, iy + 1);
        return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
    }

private:
    static double Fade(double t) { return t * t * (3 - 2 * t); }
    double Cell(int x, int y) const {
        x = ((x % periodX_) + periodX_) % periodX_;
        y = ((y % periodY_) + periodY_) % periodY_;
        return values_[static_cast<size_t>(y) * periodX_ + x];
    }
    int periodX_, periodY_;
    std::vector<double> values_;
};

// Fractal sum over octaves; u, v in [0, 1) tile.
double Fbm(const std::vector<TileNoise>& octaves, double u, double v, double stretch) {
    double sum = 0, amp = 0.5, norm = 0;
    int cells = 4;
    for (const TileNoise& n : octaves) {
        sum += amp * n.At(u * cells * stretch, v * cells);
        norm += amp;
        amp *= 0.5;
        cells *= 2;
    }
    return sum / norm;
}

int Byte(double v) { return static_cast<int>(std::lround(Clamp(v, 0.0, 1.0) * 255.0)); }

}  // namespace

QImage PaintClouds() {
    const int w = 512, h = 256;
    std::vector<TileNoise> octaves;
    // Each octave wraps after its own number of cells; the image is twice as
    // wide as high, so it has twice the cells across.
    for (int o = 0, cells = 4; o < 6; ++o, cells *= 2) octaves.emplace_back(cells * 2, cells, 1000u + o);
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double n = Fbm(octaves, static_cast<double>(x) / w, static_cast<double>(y) / h, 2.0);
            // Broken clouds: thin veils and a few dense banks.
            const double c = SmoothStep(0.42, 0.78, n);
            img.setPixel(x, y, qRgb(Byte(0.92 * c), Byte(0.95 * c), Byte(c)));
        }
    return img;
}

QImage PaintStars() {
    // The sky shader multiplies the star texture by about a hundred overhead
    // and by about twenty near the horizon, so the ground is exactly black and
    // stars are single texels of small values; a few bright ones get a faint
    // cross of neighbours.
    const int size = 512;
    std::vector<double> light(static_cast<size_t>(size) * size, 0.0);
    auto add = [&](int x, int y, double v) {
        x = ((x % size) + size) % size;
        y = ((y % size) + size) % size;
        double& l = light[static_cast<size_t>(y) * size + x];
        l = std::max(l, v);
    };
    Random r(77);
    for (int i = 0; i < 180; ++i) {
        const int x = static_cast<int>(r.Range(0, size)), y = static_cast<int>(r.Range(0, size));
        const double mag = r.Uniform();
        const double v = 0.025 + 0.3 * mag * mag * mag * mag;
        // Two texels tall: near the horizon the dome stretches the texture
        // sideways.
        add(x, y, v);
        add(x, y + 1, v);
        if (mag > 0.85) {
            add(x + 1, y, v * 0.3);
            add(x - 1, y, v * 0.3);
            add(x, y + 1, v * 0.3);
            add(x, y - 1, v * 0.3);
        }
    }
    QImage img(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double v = light[static_cast<size_t>(y) * size + x];
            img.setPixel(x, y, qRgb(Byte(v * 0.9), Byte(v * 0.94), Byte(v)));
        }
    return img;
}

QImage PaintMoon() {
    const int size = 256;
    const double cx = size / 2.0, cy = size / 2.0, radius = 118.0;
    std::vector<TileNoise> maria;
    for (int o = 0, cells = 4; o < 5; ++o, cells *= 2) maria.emplace_back(cells, cells, 300u + o);
    struct Crater {
        double x, y, r;
    };
    std::vector<Crater> craters;
    Random r(5);
    for (int i = 0; i < 34; ++i) {
        const double a = r.Range(0, 2 * kPi), d = std::sqrt(r.Uniform()) * 0.85;
        craters.push_back({std::cos(a) * d, std::sin(a) * d, 0.02 + 0.09 * r.Uniform() * r.Uniform()});
    }
    QImage img(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // Four samples per pixel for a smooth rim.
            double cover = 0, shade = 0;
            for (int s = 0; s < 4; ++s) {
                const double px = (x + 0.25 + 0.5 * (s % 2) - cx) / radius;
                const double py = (y + 0.25 + 0.5 * (s / 2) - cy) / radius;
                const double rr = px * px + py * py;
                if (rr > 1.0) continue;
                cover += 0.25;
                const double limb = 0.72 + 0.28 * std::sqrt(1.0 - rr);
                const double n = Fbm(maria, px * 0.5 + 0.5, py * 0.5 + 0.5, 1.0);
                double v = 0.95 - 0.32 * SmoothStep(0.46, 0.62, n);
                for (const Crater& c : craters) {
                    const double d = std::hypot(px - c.x, py - c.y) / c.r;
                    if (d < 1.0) v -= 0.08 * (1.0 - d * d);
                    else if (d < 1.25) v += 0.06 * (1.25 - d) / 0.25;
                }
                shade += 0.25 * v * limb;
            }
            if (cover <= 0) {
                img.setPixel(x, y, qRgba(0, 0, 0, 0));
                continue;
            }
            const double v = shade / cover;
            img.setPixel(x, y, qRgba(Byte(v * 0.98), Byte(v * 0.95), Byte(v * 0.86), Byte(cover)));
        }
    return img;
}

}  // namespace scenegen
