#pragma once
// Writes synthetic skinned, animated COLLADA files of a given size for the
// import benchmarks: a grid mesh with positions, normals and texture
// coordinates, a four-joint skin with two influences per vertex, a joint
// chain in the scene and a baked matrix animation.
#include <string>

// The document text of a model with about `triangles` triangles.
std::string GenerateSkinnedDae(long long triangles);
