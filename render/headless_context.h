#pragma once
// An OpenGL 4.5 core context without a window or an X server: EGL on Mesa's
// surfaceless platform. Used by vorland-cli render, the GPU tests and the
// benchmarks; the viewer gets its context from Qt instead.
#include <string>

#include "platform/status.h"

class CHeadlessContext {
public:
    CHeadlessContext() = default;
    ~CHeadlessContext();
    CHeadlessContext(const CHeadlessContext&) = delete;
    CHeadlessContext& operator=(const CHeadlessContext&) = delete;

    // Creates the context and makes it current on this thread, or says in
    // one line why not: EGL or GL 4.5 core is not available.
    Status Create();
    [[nodiscard]] bool MakeCurrent();
    bool IsValid() const { return context_ != nullptr; }

private:
    void* display_ = nullptr;
    void* context_ = nullptr;
};
