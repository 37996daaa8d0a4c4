#pragma once
// The .ani animation text file: one animation of a model.
#include <string>
#include <string_view>

#include "model/model.h"
#include "platform/status.h"

// The bytes WriteAnimation stores for the model's first animation, or
// nothing when the model has no animation.
[[nodiscard]] bool SerializeAnimation(const CModel& model, const CName& animationId, std::string& out);
// Writes the model's first animation; appends ".ani" unless the path ends in
// exactly ".ani". A failure (and the file untouched) when the model has no
// animation or the file cannot be written.
Status WriteAnimation(const CModel& model, const CName& animationId, const std::string& path);
// Appends one animation read from a file's bytes. A failure, with the model
// unchanged, when the target model ID differs from the model's name
// (checked only when checkTarget) or no line holds an animation tag.
Status ParseAnimation(CModel& model, std::string_view bytes, bool checkTarget = true);
// As ParseAnimation; also a failure when the file is no regular file or
// cannot be read.
Status ReadAnimation(CModel& model, const std::string& path, bool checkTarget = true);
