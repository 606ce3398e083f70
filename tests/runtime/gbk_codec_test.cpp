#include "runtime/gbk_codec.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace runtime
