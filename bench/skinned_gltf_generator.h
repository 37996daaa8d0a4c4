#pragma once
// Writes a walking figure as one self-contained .gltf for the import
// benchmarks: a skinned tube of about 3 300 vertices on 19 joints with a
// walk of 60 keys, its buffer and a JPEG texture as base64 data URIs inside
// the JSON (about 700 KB, the shape of a typical embedded sample).
#include <string>

// A noisy RGB picture of `width` x `height` as a baseline JPEG at `quality`;
// empty when it cannot be encoded.
std::string EncodeNoiseJpeg(int width, int height, int quality);

// The document text, with `jpeg` as the base-colour image.
std::string GenerateWalkerGltf(const std::string& jpeg);
