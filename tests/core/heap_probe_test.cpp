#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "heap_probe.h"

TEST(HeapProbe, PassesWorkWithinTheBound) {
    const HeapProbeResult r = RunWithHeapBound(16u << 20, [] {
        std::vector<char> v(1u << 20, 'x');
        (void)v;
    });
    EXPECT_TRUE(r.withinBound) << r.detail;
}

TEST(HeapProbe, CatchesOneOversizedAllocation) {
    const HeapProbeResult r = RunWithHeapBound(16u << 20, [] {
        std::vector<char> v(256u << 20, 'x');
        (void)v;
    });
    EXPECT_FALSE(r.withinBound);
}

TEST(HeapProbe, CatchesManySmallAllocations) {
    const HeapProbeResult r = RunWithHeapBound(16u << 20, [] {
        std::vector<std::unique_ptr<char[]>> blocks;
        for (int i = 0; i < 8192; ++i) blocks.emplace_back(new char[8192]);
    });
    EXPECT_FALSE(r.withinBound);
}
