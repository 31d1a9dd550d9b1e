#include "platform/system/ByteCount.h"

#include <gtest/gtest.h>

TEST(ByteCount, FileStyle) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "Zero KB"},
        {1, "1 byte"},
        {2, "2 bytes"},
        {999, "999 bytes"},
        {1000, "1 KB"},
        {1499, "1 KB"},
        {1500, "2 KB"},
        {999'499, "999 KB"},
        {999'500, "1 MB"},
        {1'000'000, "1 MB"},
        {1'234'567, "1.2 MB"},
        {1'250'000, "1.3 MB"},
        {123'456'789, "123.5 MB"},
        {999'960'000, "1 GB"},
        {1'234'567'890, "1.23 GB"},
        {2'500'000'000, "2.5 GB"},
        {5'000'000'000'000, "5 TB"},
        {-2000, "-2 KB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(ByteCount::file(bytes), QString::fromUtf8(text)) << bytes;
}
