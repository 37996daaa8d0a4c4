// Large blocks (huge pages, prefaulting) and the start-up stage recorder.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/large_block.h"
#include "platform/stage_timer.h"

// Sizes on both sides of the malloc/mapping edge and of the huge-page rounding.
TEST(LargeBlock, EverySizeIsAlignedWritableAndFreed) {
    for (const std::size_t bytes : {std::size_t{1}, std::size_t{(1 << 20) - 1}, std::size_t{1} << 20,
                                    std::size_t{(3 << 20) + 12345}, std::size_t{4} << 20}) {
        LargeBlock block = MakeLargeBlock(bytes);
        ASSERT_NE(block.get(), nullptr) << bytes;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block.get()) % 64, 0u) << bytes;
        PrefaultForWriting(block.get(), bytes);
        std::memset(block.get(), 0x5a, bytes);
        EXPECT_EQ(block[bytes - 1], 0x5a) << bytes;
    }
}

TEST(StageTimer, RecordsOnlyBetweenEnableAndTheOneFinish) {
    { const stage_timer::Span before("before enable"); }
    stage_timer::Enable();
    for (int i = 0; i < 2; ++i) {
        const stage_timer::Span span("twice");
    }
    const std::string table = stage_timer::Finish();
    EXPECT_NE(table.find("process start"), std::string::npos) << table;
    EXPECT_NE(table.find("whole:"), std::string::npos) << table;
    const std::size_t row = table.find("twice");
    ASSERT_NE(row, std::string::npos) << table;
    EXPECT_EQ(table.substr(table.find('\n', row) - 1, 1), "2") << table;  // runs, the last column
    EXPECT_EQ(table.find("before enable"), std::string::npos) << table;
    EXPECT_FALSE(stage_timer::Enabled());
    EXPECT_TRUE(stage_timer::Finish().empty());
}
