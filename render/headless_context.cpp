#include "render/headless_context.h"

#include <epoxy/egl.h>

namespace {

EGLDisplay SurfacelessDisplay() {
    // The surfaceless platform needs neither a window system nor a device.
    if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) return EGL_NO_DISPLAY;
    return eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

}  // namespace

CHeadlessContext::~CHeadlessContext() {
    if (!display_) return;
    DoneCurrent();
    const EGLDisplay display = static_cast<EGLDisplay>(display_);
    if (context_) eglDestroyContext(display, static_cast<EGLContext>(context_));
    eglTerminate(display);
}

Status CHeadlessContext::Create() {
    const auto fail = [](const char* why) { return Status::Failure(why); };
    const EGLDisplay display = SurfacelessDisplay();
    if (display == EGL_NO_DISPLAY) return fail("EGL surfaceless platform is not available");
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) return fail("EGL cannot be initialised");
    display_ = display;
    if (!epoxy_has_egl_extension(display, "EGL_KHR_surfaceless_context"))
        return fail("EGL has no surfaceless contexts");
    if (!eglBindAPI(EGL_OPENGL_API)) return fail("EGL has no desktop OpenGL");

    const EGLint configAttribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttribs, &config, 1, &count) || count < 1) {
        const EGLint anyAttribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        if (!eglChooseConfig(display, anyAttribs, &config, 1, &count) || count < 1)
            return fail("EGL offers no OpenGL configuration");
    }
    const EGLint contextAttribs[] = {
        EGL_CONTEXT_MAJOR_VERSION,           4,       EGL_CONTEXT_MINOR_VERSION, 5, EGL_CONTEXT_OPENGL_PROFILE_MASK,
        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    const EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
    if (context == EGL_NO_CONTEXT) return fail("no OpenGL 4.5 core context");
    context_ = context;
    if (!MakeCurrent()) return fail("the OpenGL context cannot be made current");
    return Status::Ok();
}

bool CHeadlessContext::MakeCurrent() {
    if (!context_) return false;
    return eglMakeCurrent(static_cast<EGLDisplay>(display_), EGL_NO_SURFACE, EGL_NO_SURFACE,
                          static_cast<EGLContext>(context_)) == EGL_TRUE;
}

void CHeadlessContext::DoneCurrent() {
    if (display_) eglMakeCurrent(static_cast<EGLDisplay>(display_), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}
