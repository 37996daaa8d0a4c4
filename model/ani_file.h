#pragma once
// The .ani animation text file: one animation of a model.
#include <string>
#include <string_view>

#include "model/model.h"

// The bytes WriteAnimation stores for the model's first animation, or
// nothing when the model has no animation.
bool SerializeAnimation(const CModel& model, const CName& animationId, std::string& out);
// Writes the model's first animation; appends ".ani" unless the path ends in
// exactly ".ani". False (and the file untouched) when the model has no
// animation or the file cannot be written (the reason in *why).
bool WriteAnimation(const CModel& model, const CName& animationId, const std::string& path,
                    std::string* why = nullptr);
// Appends one animation read from a file's bytes. False, with the reason in
// *why and the model unchanged, when the target model ID differs from the
// model's name (checked only when checkTarget) or no line holds an
// animation tag.
bool ParseAnimation(CModel& model, std::string_view bytes, bool checkTarget = true, std::string* why = nullptr);
// As ParseAnimation; also false when the file is no regular file or cannot
// be read.
bool ReadAnimation(CModel& model, const std::string& path, bool checkTarget = true, std::string* why = nullptr);
