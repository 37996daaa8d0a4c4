#pragma once
// Whole-file reads and atomic whole-file writes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/large_block.h"
#include "platform/status.h"

// The largest file each reader takes in. Anything larger is refused before
// memory is spent on it.
inline constexpr std::uint64_t kMaxModelFileBytes = 2ull << 30;      // .dae, .mdl
inline constexpr std::uint64_t kMaxAnimationFileBytes = 2ull << 30;  // .ani
inline constexpr std::uint64_t kMaxImageFileBytes = 256ull << 20;    // textures, interface images
inline constexpr std::uint64_t kMaxSettingsFileBytes = 1ull << 20;   // config.ini

// Opens `path` for reading when it is a regular file of at most `maxBytes`
// (a symbolic link counts as its target), without ever blocking on a FIFO
// or a device. Returns the descriptor (the caller closes it) and the size,
// or the reason ("not a regular file", "larger than 1024 MB", or the system's).
struct OpenFile {
    int fd = -1;
    std::uint64_t size = 0;
};
Result<OpenFile> OpenRegularFile(const std::string& path, std::uint64_t maxBytes);

// The file's bytes, or the reason when it is no regular file, larger than
// `maxBytes` or cannot be read.
Result<std::string> ReadWholeFile(const std::string& path, std::uint64_t maxBytes = kMaxModelFileBytes);

// A file's bytes in storage that nothing clears before the read fills it.
struct FileBytes {
    LargeBlock data;
    std::size_t size = 0;
    std::string_view View() const { return {data.get(), size}; }
};
// As ReadWholeFile, for large files read once: the bytes go from the system
// straight into their storage, with no pass over it before or after.
Result<FileBytes> ReadWholeFileBytes(const std::string& path, std::uint64_t maxBytes = kMaxModelFileBytes);

// One file of a group written together.
struct FileWrite {
    std::string path;
    std::string_view bytes;
};

// Writes each file to a temporary file beside it, flushes them to disk, and
// only when all are complete puts them in place of their targets: a symbolic
// link keeps pointing at its (replaced) target, a file with further hard
// links gets the bytes copied into it (after the room for them is reserved),
// and a replaced file keeps its permission bits (not setuid/setgid). A
// failure, with the system's reason and the failing path, when any step
// fails. Exceeding the file-size limit is such a failure, not the end of the
// process.
//
// The group is one change: however the process ends, its files are all old,
// all new, or an unfinished group whose commit record (UnfinishedWriteOf)
// the next write of the same group completes. Writes of one folder take
// turns.
struct [[nodiscard]] WriteResult {
    Status status;           // the reason alone ("No space left on device")
    std::string failedPath;  // as given in `files`; empty on success
    explicit operator bool() const { return status.IsOk(); }
};
WriteResult WriteFilesAtomically(const std::vector<FileWrite>& files);
// One file; the reason does not name the path.
Status WriteFileAtomically(const std::string& path, std::string_view bytes);

// The commit record of an unfinished group write that `path` belongs to
// (beside it: its name without the extension, then ".vorland-commit"), or
// empty when there is none. Its files mix old and new until the next write
// of the group completes it.
std::string UnfinishedWriteOf(const std::string& path);

// Called with the number of each step of every write (counted from 1 over
// the process) once that step is on disk; fault-injection tests stop the
// process there. Null: none.
using WriteStepHook = void (*)(int step);
void SetWriteStepHook(WriteStepHook hook);
