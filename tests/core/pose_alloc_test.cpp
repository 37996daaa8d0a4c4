// UpdatePose runs on every frame and shadow pass: it must not allocate.
// Counts every allocation of this test program through the replaceable
// global operator new (not under the sanitizers, which bring their own).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "model/animation.h"
#include "model/model.h"
#include "model/render_model.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VORLAND_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define VORLAND_SANITIZED 1
#endif
#endif

#ifdef VORLAND_SANITIZED
#define VORLAND_COUNT_ALLOCATIONS 0
#else
#define VORLAND_COUNT_ALLOCATIONS 1

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif

#if VORLAND_COUNT_ALLOCATIONS  // the sanitizers bring their own operator new
TEST(UpdatePose, DoesNotAllocate) {
    CModel model;
    CBone* parent = nullptr;
    for (int i = 0; i < 20; ++i) {
        auto* b = model.NewBone();
        b->id.SetAscii(std::string(1, 'b') + std::to_string(i));
        b->jointMatrix[3] = 1.0f;
        b->parent = parent;
        if (parent) parent->children.Add(b);
        else model.rootBones.Add(b);
        model.bones.Add(b);
        parent = b;
    }
    auto* a = model.animations.AddNew();
    for (int i = 0; i < 20; ++i) {
        auto* c = a->channels.AddNew();
        c->targetId = model.bones[i]->id;
        for (int k = 0; k < 10; ++k) {
            c->keyTimes.Add(static_cast<float>(k) * 0.1f);
            CMatrixValue m{{1, 0, 0, static_cast<float>(k), 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
            c->poseMatrices.Add(m);
        }
    }
    CRenderModel rm;
    rm.CopyBones(model);
    rm.CopyAnimations(model);

    // A burst of updates that also wraps the animation.
    const long before = g_allocations.load();
    for (int frame = 0; frame < 100; ++frame) {
        rm.frameCounter += 3;
        ASSERT_TRUE(rm.UpdatePose());
    }
    EXPECT_EQ(g_allocations.load() - before, 0);
    // The counting itself works.
    static int* volatile probe;
    probe = new int(5);
    EXPECT_GT(g_allocations.load() - before, 0);
    delete probe;
}
#endif
