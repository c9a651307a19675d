#include "ZOLUtf.h"

#include <gtest/gtest.h>

TEST(ZOLUtf, AsciiPassesThrough)
{
    char out[16];
    const char16_t text[] = u"abc";
    ASSERT_EQ(3u, zolutf::utf16ToUtf8(text, 3, out));
    EXPECT_EQ(std::string("abc"), std::string(out, 3));
}
