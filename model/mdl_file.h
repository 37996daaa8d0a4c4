#pragma once
// The .mdl model text file: everything of a CModel except its animations.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/model.h"

// The file's bytes as WriteModel stores them (CP932, CR LF).
std::string SerializeModel(const CModel& model);
// The same with the texture file names replaced by `textureFiles` (one per
// texture; an empty name keeps the texture's own).
std::string SerializeModel(const CModel& model, const std::vector<CName>& textureFiles);
// Appends ".mdl" unless the path already ends in exactly ".mdl", then
// replaces the file atomically. Images the model holds in memory are
// written beside it, as <name>_<n>.png (or .jpg), and the file names them;
// all of them replace their old files together. False, with the reason in
// *why, when a file cannot be written.
bool WriteModel(const CModel& model, const std::string& path, std::string* why = nullptr);
// The files WriteModel writes for `path`, as (path, bytes): the images,
// then the .mdl.
std::vector<std::pair<std::string, std::string>> ModelFiles(const CModel& model, const std::string& path);
// Fills an empty model from a file's bytes. False when not one line holds a
// model tag (a README, a renamed .dae): the bytes are no model file; false
// too when they end inside a block, before the bone list or without the
// empty line that ends the records: the file was cut off (what was read
// stays in the model).
bool ParseModel(CModel& model, std::string_view bytes);
// False, with the reason in *why, when the file is no regular file, cannot
// be read, is no model file, is cut off, or belongs to an unfinished group
// write (UnfinishedWriteOf).
bool ReadModel(CModel& model, const std::string& path, std::string* why = nullptr);
