#pragma once
// Whole-file reads and atomic whole-file writes.
#include <optional>
#include <string>
#include <string_view>

// The file's bytes, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`. The old file stays untouched unless the new one is
// complete. False when any step fails (the temporary file is removed).
bool WriteFileAtomically(const std::string& path, std::string_view bytes);
