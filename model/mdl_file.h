#pragma once
// The .mdl model text file: everything of a CModel except its animations.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/model.h"
#include "platform/status.h"

// The file's bytes as WriteModel stores them (CP932, CR LF).
std::string SerializeModel(const CModel& model);
// The same with the texture file names replaced by `textureFiles` (one per
// texture; an empty name keeps the texture's own).
std::string SerializeModel(const CModel& model, const std::vector<CName>& textureFiles);
// Appends ".mdl" unless the path already ends in exactly ".mdl", then
// replaces the file atomically. Images the model holds in memory are
// written beside it, as <name>_<n>.png (or .jpg), and the file names them;
// all of them replace their old files together. A failure, with the reason,
// when a file cannot be written.
Status WriteModel(const CModel& model, const std::string& path);
// The files WriteModel writes for `path`, as (path, bytes): the images,
// then the .mdl.
std::vector<std::pair<std::string, std::string>> ModelFiles(const CModel& model, const std::string& path);
// Fills an empty model from a file's bytes. "not a model file" when not one
// line holds a model tag (a README, a renamed .dae); a failure too when they
// end inside a block, before the bone list or without the empty line that
// ends the records: the file was cut off (what was read stays in the model).
Status ParseModel(CModel& model, std::string_view bytes);
// A failure, with the reason, when the file is no regular file, cannot be
// read, is no model file, is cut off, or belongs to an unfinished group
// write (UnfinishedWriteOf).
Status ReadModel(CModel& model, const std::string& path);
