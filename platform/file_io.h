#pragma once
// Whole-file reads and atomic whole-file writes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/large_block.h"

// The largest file each reader takes in. Anything larger is refused before
// memory is spent on it.
inline constexpr std::uint64_t kMaxModelFileBytes = 2ull << 30;      // .dae, .mdl
inline constexpr std::uint64_t kMaxAnimationFileBytes = 2ull << 30;  // .ani
inline constexpr std::uint64_t kMaxImageFileBytes = 256ull << 20;    // textures, interface images
inline constexpr std::uint64_t kMaxSettingsFileBytes = 1ull << 20;   // config.ini

// Opens `path` for reading when it is a regular file of at most `maxBytes`
// (a symbolic link counts as its target), without ever blocking on a FIFO
// or a device. Returns the descriptor and the size, or -1 with the reason
// in *why ("not a regular file", "larger than 1024 MB", or the system's).
int OpenRegularFile(const std::string& path, std::uint64_t maxBytes, std::uint64_t* size, std::string* why);

// The file's bytes, or nothing (with the reason in *why) when it is no
// regular file, larger than `maxBytes` or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, std::uint64_t maxBytes = kMaxModelFileBytes,
                                         std::string* why = nullptr);

// A file's bytes in storage that nothing clears before the read fills it.
struct FileBytes {
    LargeBlock data;
    std::size_t size = 0;
    std::string_view View() const { return {data.get(), size}; }
};
// As ReadWholeFile, for large files read once: the bytes go from the system
// straight into their storage, with no pass over it before or after.
std::optional<FileBytes> ReadWholeFileBytes(const std::string& path, std::uint64_t maxBytes = kMaxModelFileBytes,
                                            std::string* why = nullptr);

// One file of a group written together.
struct FileWrite {
    std::string path;
    std::string_view bytes;
};

// Writes each file to a temporary file beside it that cannot outlive the
// process, flushes them to disk, and only when all are complete puts them in
// place of their targets: a symbolic link keeps pointing at its (replaced)
// target, a file with further hard links gets the bytes copied into it, and
// a replaced file keeps its permission bits. False, with the system's reason
// in *why and the failing path in *failedPath, when any step fails; the old
// files stay untouched unless every new one was complete. Exceeding the
// file-size limit is such a failure, not the end of the process.
bool WriteFilesAtomically(const std::vector<FileWrite>& files, std::string* why = nullptr,
                          std::string* failedPath = nullptr);
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* why = nullptr);
