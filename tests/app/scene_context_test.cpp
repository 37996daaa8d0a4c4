// The scene's context: EGL's, made ahead, or Qt's where EGL fails; either
// way a 4.5 core context that the render thread can make current.
#include <epoxy/gl.h>  // before Qt's GL headers
#include <gtest/gtest.h>

#include <QOpenGLContext>

#include <thread>

#include "app/scene_context.h"
#include "render/headless_context.h"
#include "tests/ui/ui_test_app.h"

TEST(SceneContext, RenderThreadGetsGl45FromEglOrElseQt) {
    UiTestApp();
    for (const bool eglFails : {false, true}) {
        SCOPED_TRACE(eglFails ? "EGL failed: Qt's context" : "EGL's context");
        EglContextAhead ahead;
        if (eglFails) {
            std::promise<std::unique_ptr<CHeadlessContext>> none;
            none.set_value(nullptr);
            ahead = none.get_future();
        }
        SceneContextSource source(std::move(ahead));
        source.Choose();
        int version = 0;
        bool qtCurrent = false;
        std::thread([&] {
            const std::unique_ptr<GlContext> context = source.Take();
            if (!context->MakeCurrent()) return;
            version = epoxy_gl_version();
            qtCurrent = QOpenGLContext::currentContext() != nullptr;
            context->DoneCurrent();
        }).join();
        EXPECT_GE(version, 45);
        EXPECT_EQ(qtCurrent, eglFails);
    }
}
