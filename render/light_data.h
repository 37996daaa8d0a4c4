#pragma once
// CPU-side data of the lamps: the six cube faces, the fixed projections and
// where the room's three lamps stand.
#include "math/math.h"

struct CubeFace {
    Vector3 direction;  // length 0.001; LookToMatrix normalises it
    Vector3 up;
};
// Faces 1..6 in order: -X, -Y, -Z, +X, +Y, +Z.
extern const CubeFace kCubeFaces[6];

// 90-degree face projection: near 0.01, far 1000.
Matrix4 CubeFaceProjection();
// Light-shaft camera projection: 45 degrees, near 0.01, far 5000.
Matrix4 VolumeLightProjection();

// Where the three shadow-casting lamps of the room stand.
struct RoomLamp {
    float x, y;
};
extern const RoomLamp kRoomLamps[3];
