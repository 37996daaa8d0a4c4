#pragma once
// Texture coordinates for the room models. The room pass lights a surface
// from its texture coordinate (brightest at (0.8, -0.6), falling off with the
// distance from it) and from the distance to the three shadow lamps, and adds
// a flicker whose phase follows the primitive index. These helpers turn a
// wanted brightness into a coordinate and give every quad a flicker phase by
// choosing its primitive slot, padding skipped slots with empty triangles.
//
// The horizontal coordinate is free for the brightness, so it selects the
// material's column of a small palette image: opened as a model with the
// ordinary shading, the room shows each material's own colour.
#include <map>
#include <string>

#include "tools/scenegen/mesh.h"

namespace scenegen {

struct RoomMaterial {
    std::string id;
    int column;            // palette column
    double level;          // wanted red level under the room pass, about 0.1 to 2
    unsigned char rgb[3];  // palette colour for the ordinary shading
};

constexpr int kPaletteColumns = 16;
constexpr const char* kRoomTextureFile = "washitu_room.png";

// Sum of the room pass's lamp terms at p (the three lamps at their usual
// intensity).
double LampTerm(const Vec3& p);
// The red level a material of level `level` gets at p: lamps nearer or
// farther than usual still brighten or darken it, but less than the room
// pass alone would.
double RoomLevel(double level, const Vec3& p);
// Texture coordinate that gives red level RoomLevel(level, p) at p in palette column
// `column`.
Vec2 RoomUv(int column, double level, const Vec3& p);
// Flicker phase of primitive pair `pair` under the room pass.
double FlickerPhase(int pair);

class RoomBuilder {
public:
    explicit RoomBuilder(Mesh& mesh) : mesh_(mesh) {}

    // A quad a-b-c-d with brightness `shade` at each corner (multiplies the
    // material's level) and flicker phase `phase` (radians).
    void Quad(const RoomMaterial& m, const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, double phase,
              const double shade[4] = nullptr);
    // An axis-aligned box; `faces` is a mask of -X +X -Y +Y -Z +Z (bits 0..5).
    void Box(const RoomMaterial& m, const Vec3& lo, const Vec3& hi, double phase, int faces = 63);
    // An upright prism of `sides` sides between heights z0 and z1, with caps.
    void Prism(const RoomMaterial& m, const Vec3& base, double radius, double height, int sides, double phase,
               bool caps = true, double topRadius = -1);
    // Optional extra shade of every corner by its position (darker corners
    // and wall feet).
    std::function<double(const Vec3&)> occlusion;

private:
    int Slot(const std::string& material, double phase);

    Mesh& mesh_;
    std::map<std::string, int> nextPair_;
};

}  // namespace scenegen
