#pragma once
// Generates the bundled scene: the three room documents with their textures,
// the sky images and the interface images, as files relative to the
// project's root. The output is the same, byte for byte, on every run.
#include <string>
#include <vector>

namespace scenegen {

struct GeneratedFile {
    std::string path;  // relative, e.g. "model/washitu/washitu1.dae"
    std::string bytes;
};

// Builds every file in memory. Empty on failure, with `error` set.
std::vector<GeneratedFile> GenerateScene(std::string* error);
// Writes the files under `root`, creating folders; false with `error` set
// when a file cannot be written.
bool WriteScene(const std::vector<GeneratedFile>& files, const std::string& root, std::string* error);
// A PNG showing every texture and interface image, enlarged, on a neutral
// ground.
std::string ContactSheet(const std::vector<GeneratedFile>& files);

}  // namespace scenegen
