#pragma once
// Writes a COLLADA 1.4.1 document from a mesh: images, phong materials whose
// diffuse colour or texture goes through the sampler -> surface -> image
// chain, one geometry of triangles, and optionally one skin controller, a
// joint hierarchy and baked matrix animations (one per joint).
#include <string>
#include <vector>

#include "tools/scenegen/mesh.h"

namespace scenegen {

struct DaeMaterial {
    std::string id;
    std::string imageFile;  // texture beside the document; empty for a plain colour
    double colour[4] = {0.8, 0.8, 0.8, 1.0};
};

struct DaeJoint {
    std::string name;  // node id, sid and skin joint name
    int parent = -1;   // index into the joint list, -1 for the skeleton root
    Mat4 local;        // bind-pose transform relative to the parent
};

struct DaeChannel {
    int joint = 0;
    std::vector<double> times;
    std::vector<Mat4> matrices;  // local transforms, one per key
};

struct DaeDocument {
    std::string name;  // geometry, controller and node names derive from it
    Mesh mesh;
    std::vector<DaeMaterial> materials;
    std::vector<DaeJoint> joints;  // parents before children; empty: no skin
    std::vector<DaeChannel> channels;
};

// Formats a number with at most six decimals, without trailing zeros.
std::string FormatNumber(double v);
// Bind-pose global transform of each joint.
std::vector<Mat4> GlobalBindPoses(const std::vector<DaeJoint>& joints);
std::string WriteDae(const DaeDocument& doc);

}  // namespace scenegen
