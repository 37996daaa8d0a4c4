// The scene's context: EGL's, made ahead, or Qt's where EGL fails; either
// way a 4.5 core context that the render thread can make current.
#include <epoxy/gl.h>  // before Qt's GL headers
#include <gtest/gtest.h>

#include <QOpenGLContext>

#include <thread>

#include "app/scene_context.h"
#include "render/headless_context.h"
#include "tests/ui/ui_test_app.h"

TEST(SceneContext, MadeCurrentElsewhereGivesGl45FromEglOrElseQt) {
    UiTestApp();
    for (const bool eglFails : {false, true}) {
        SCOPED_TRACE(eglFails ? "EGL failed: Qt's context" : "EGL's context");
        std::promise<std::unique_ptr<CHeadlessContext>> failed;
        failed.set_value(nullptr);
        SceneContextSource source(eglFails ? failed.get_future() : EglContextAhead{});
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
