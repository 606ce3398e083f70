#include "runtime/gbk_codec.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace runtime {
namespace {

TEST(GbkCodecTest, ConvertsBothWays)
{
    EXPECT_EQ(GbkFromUtf8("电压V"), "\xB5\xE7\xD1\xB9V");
    EXPECT_EQ(Utf8FromGbk("\xB5\xE7\xD1\xB9V"), "电压V");
    EXPECT_EQ(Gbk("℃"), "\xA1\xE6");
    EXPECT_EQ(GbkFromUtf8("plain ascii"), "plain ascii");
}

TEST(GbkCodecTest, ReplacesWhatCannotBeConverted)
{
    EXPECT_EQ(GbkFromUtf8("a😀b"), "a?b");           // not in GBK: one '?' per character
    EXPECT_EQ(GbkFromUtf8("a\xFF" "b"), "a?b");      // broken UTF-8
    EXPECT_EQ(Utf8FromGbk("a\xB5"), "a\xEF\xBF\xBD");  // a lead byte cut off
    EXPECT_EQ(Utf8FromGbk("\xB5" "1x"), "\xEF\xBF\xBD" "1x");  // the digit survives
}

TEST(GbkCodecTest, ThreadsConvertIndependently)
{
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&failures, t] {
            for (int i = 0; i < 2000; ++i) {
                if (Utf8FromGbk(GbkFromUtf8("温度℃,电流A")) != "温度℃,电流A") ++failures[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace runtime
