#include "app/scene_context.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#include "platform/stage_timer.h"
#include "render/headless_context.h"

namespace {

// OpenGL 4.5 core, drawing only into the scene's own targets.
QSurfaceFormat ContextFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(4, 5);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    return format;
}

class QtGlContext : public GlContext {
public:
    explicit QtGlContext(QOffscreenSurface* surface) : surface_(surface) { context_.setFormat(ContextFormat()); }
    bool MakeCurrent() override {
        const stage_timer::Span span("GL context");
        return surface_ && context_.create() && context_.makeCurrent(surface_);
    }
    void DoneCurrent() override { context_.doneCurrent(); }

private:
    QOffscreenSurface* surface_;
    QOpenGLContext context_;
};

class EglGlContext : public GlContext {
public:
    explicit EglGlContext(std::unique_ptr<CHeadlessContext> context) : context_(std::move(context)) {}
    bool MakeCurrent() override { return context_->MakeCurrent(); }
    void DoneCurrent() override { context_->DoneCurrent(); }

private:
    std::unique_ptr<CHeadlessContext> context_;
};

}  // namespace

EglContextAhead StartEglContext() {
    return std::async(std::launch::async, []() -> std::unique_ptr<CHeadlessContext> {
        const stage_timer::Span span("GL driver and context (EGL, ahead)");
        auto context = std::make_unique<CHeadlessContext>();
        if (!context->Create()) return nullptr;
        context->DoneCurrent();
        return context;
    });
}

SceneContextSource::SceneContextSource(EglContextAhead ahead)
    : ahead_(ahead.valid() ? std::move(ahead) : StartEglContext()) {}

SceneContextSource::~SceneContextSource() = default;

void SceneContextSource::Choose() {
    if (!ahead_.valid()) return;
    egl_ = ahead_.get();
    if (egl_) return;
    const stage_timer::Span span("GL driver and offscreen surface");
    surface_ = std::make_unique<QOffscreenSurface>();
    surface_->setFormat(ContextFormat());
    surface_->create();
}

std::unique_ptr<GlContext> SceneContextSource::Take() {
    if (egl_) return std::make_unique<EglGlContext>(std::move(egl_));
    return std::make_unique<QtGlContext>(surface_.get());
}
