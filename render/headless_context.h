#pragma once
// An OpenGL 4.5 core context without a window or an X server: EGL on Mesa's
// surfaceless platform. Used by vorland-cli render, the GPU tests, the
// benchmarks and the viewer's render thread (which falls back to Qt's
// context where the platform is missing).
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
    // Unbinds it from this thread, so that another thread can bind it.
    void DoneCurrent();
    bool IsValid() const { return context_ != nullptr; }

private:
    void* display_ = nullptr;
    void* context_ = nullptr;
};
