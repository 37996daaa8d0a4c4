#pragma once
// Writes synthetic skinned, animated COLLADA files of a given size for the
// import benchmarks: a grid mesh with positions, normals and texture
// coordinates, a four-joint skin with two influences per vertex, a joint
// chain in the scene and a baked matrix animation.
#include <string>

// The document text of a model with about `triangles` triangles.
std::string GenerateSkinnedDae(long long triangles);

// The document text of a skeleton of `joints` joints, all children of one
// root: one small skinned triangle whose skin names every joint, and a baked
// one-key animation channel on every `channelEvery`-th joint (0: none).
std::string GenerateJointsDae(int joints, int channelEvery);
