#pragma once
// The bytes of one document, parsed in place. Large documents live in
// memory asked for in huge pages where the system offers them, which spares
// the tens of thousands of page faults a 100 MB file would otherwise cost.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/status.h"

class SourceBuffer {
public:
    SourceBuffer() = default;
    ~SourceBuffer() { Release(); }
    SourceBuffer(const SourceBuffer&) = delete;
    SourceBuffer& operator=(const SourceBuffer&) = delete;

    // Reads the whole file, or says why not: it is no regular file, too
    // large, or cannot be opened or read.
    Status ReadFile(const std::string& path);
    void Assign(std::string_view bytes);

    char* Data() const { return data_; }
    std::size_t Size() const { return size_; }

private:
    bool Allocate(std::size_t size);
    void Release();

    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t mapped_ = 0;  // bytes mapped, 0 when taken from the heap
};
