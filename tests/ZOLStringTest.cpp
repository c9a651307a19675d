#include <ZOLString.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

std::string utf8(const ZOLString& s)
{
    return std::string(s.chars(), s.length());
}

std::u16string utf16(const ZOLString& s)
{
    return std::u16string(s.wchars());
}

} // namespace

TEST(ZOLString, ConvertsEveryLengthClassOfCodePointFromUtf16)
{
    // 1-, 2-, 3- and 4-byte UTF-8 sequences, including the edges of each class.
    EXPECT_EQ("A\x7F", utf8(ZOLString(u"A\u007F")));
    EXPECT_EQ("\xC2\x80\xC3\xA9\xDF\xBF", utf8(ZOLString(u"\u0080\u00E9\u07FF")));
    EXPECT_EQ("\xE0\xA0\x80\xE2\x82\xAC\xEF\xBF\xBF", utf8(ZOLString(u"\u0800\u20AC\uFFFF")));
    EXPECT_EQ("\xF0\x90\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", utf8(ZOLString(u"\U00010000\U0001F600\U0010FFFF")));
}

TEST(ZOLString, ReplacesBrokenSurrogatesWithReplacementCharacter)
{
    const std::string fffd = "\xEF\xBF\xBD";
    const char16_t loneHigh[] = {u'a', 0xD800, u'b', 0};
    const char16_t loneLow[] = {0xDC00, u'b', 0};
    const char16_t highAtEnd[] = {u'a', 0xDBFF, 0};
    const char16_t reversedPair[] = {0xDC00, 0xD800, 0};
    const char16_t twoHighs[] = {0xD800, 0xD83D, 0xDE00, 0};
    EXPECT_EQ("a" + fffd + "b", utf8(ZOLString(loneHigh)));
    EXPECT_EQ(fffd + "b", utf8(ZOLString(loneLow)));
    EXPECT_EQ("a" + fffd, utf8(ZOLString(highAtEnd)));
    EXPECT_EQ(fffd + fffd, utf8(ZOLString(reversedPair)));
    EXPECT_EQ(fffd + "\xF0\x9F\x98\x80", utf8(ZOLString(twoHighs)));
}

TEST(ZOLString, ConvertsTextAcrossTheInlineLimitAndAsciiBlocks)
{
    // Lengths around the inline capacity and the converter's four-unit blocks.
    for (std::size_t n = 0; n < 70; ++n) {
        std::u16string wide;
        std::string narrow;
        for (std::size_t i = 0; i < n; ++i) {
            const bool accent = i % 7 == 6;
            wide += accent ? u'\u00E9' : static_cast<char16_t>(u'a' + i % 26);
            narrow += accent ? "\xC3\xA9" : std::string(1, static_cast<char>('a' + i % 26));
        }
        const ZOLString s(wide.c_str());
        EXPECT_EQ(narrow, utf8(s)) << n;
        EXPECT_EQ(narrow.size(), s.length()) << n;
        EXPECT_EQ('\0', s.chars()[s.length()]) << n;
        EXPECT_EQ(wide, utf16(s)) << n;
    }
}

TEST(ZOLString, RoundTripsToUtf16AndReplacesMalformedUtf8)
{
    EXPECT_EQ(u"\u00E9\u20AC\U0001F600", utf16(ZOLString("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80")));
    // A lone continuation byte, a truncated sequence, an overlong form and an encoded surrogate.
    EXPECT_EQ(u"\uFFFDx", utf16(ZOLString("\x80x")));
    EXPECT_EQ(u"\uFFFD", utf16(ZOLString("\xE2\x82")).substr(0, 1));
    EXPECT_EQ(u"\uFFFD\uFFFD", utf16(ZOLString("\xC0\xAF")));
    EXPECT_EQ(std::u16string(3, u'\uFFFD'), utf16(ZOLString("\xED\xA0\x80")));
    EXPECT_EQ(u"", utf16(ZOLString()));
}

TEST(ZOLString, WideFormFollowsChanges)
{
    ZOLString s("ab");
    EXPECT_EQ(u"ab", utf16(s));
    s += "c";
    EXPECT_EQ(u"abc", utf16(s));
    s = "\xC3\xA9";
    EXPECT_EQ(u"\u00E9", utf16(s));
}

TEST(ZOLString, GivesDecimalDigitsOfLongs)
{
    EXPECT_EQ("0", utf8(ZOLString(0L)));
    EXPECT_EQ("42", utf8(ZOLString(42L)));
    EXPECT_EQ("-7", utf8(ZOLString(-7L)));
    EXPECT_EQ(std::to_string(LONG_MAX), utf8(ZOLString(LONG_MAX)));
    EXPECT_EQ(std::to_string(LONG_MIN), utf8(ZOLString(LONG_MIN)));
}

TEST(ZOLString, MidClipsAtItsBounds)
{
    const ZOLString s("0123456789");
    EXPECT_EQ("", utf8(s.mid(0, 0)));
    EXPECT_EQ("0", utf8(s.mid(0, 1)));
    EXPECT_EQ("789", utf8(s.mid(7, 3)));
    EXPECT_EQ("789", utf8(s.mid(7, 100)));
    EXPECT_EQ("9", utf8(s.mid(9, static_cast<std::size_t>(-1))));
    EXPECT_EQ("", utf8(s.mid(10, 1)));
    EXPECT_EQ("", utf8(s.mid(11, 1)));
    EXPECT_EQ("0000", utf8(ZOLString("0000").mid(0, static_cast<std::size_t>(-3))));
    EXPECT_EQ("", utf8(ZOLString().mid(0, 5)));
}

TEST(ZOLString, AddAppendsUntilTheNullPointer)
{
    ZOLString s("ns");
    EXPECT_EQ(&s, &s.add(" ", "loc", static_cast<const char*>(nullptr)));
    EXPECT_EQ("ns loc", utf8(s));
    ZOLString empty;
    empty.add(static_cast<const char*>(nullptr));
    EXPECT_EQ("", utf8(empty));
    ZOLString growing;
    const std::string piece = "0123456789abcdef";
    growing.add(piece.c_str(), piece.c_str(), piece.c_str(), "", static_cast<const char*>(nullptr));
    EXPECT_EQ(piece + piece + piece, utf8(growing));
}

TEST(ZOLString, ConcatenatesCopiesMovesAndCompares)
{
    const ZOLString a("left");
    const ZOLString b(std::string(40, 'x').c_str());
    EXPECT_EQ("left" + std::string(40, 'x'), utf8(a + b));
    EXPECT_EQ("[left", utf8("[" + a));
    EXPECT_EQ("left]", utf8(a + "]"));

    ZOLString copy(b);
    EXPECT_TRUE(copy == b);
    EXPECT_NE(copy.chars(), b.chars());
    ZOLString moved(static_cast<ZOLString&&>(copy));
    EXPECT_TRUE(moved == b);
    EXPECT_TRUE(copy.isEmpty());
    copy = moved;
    copy = copy;
    EXPECT_TRUE(copy == b);

    EXPECT_TRUE(a == "left");
    EXPECT_FALSE(a == "lef");
    EXPECT_FALSE(a == "lefts");
    EXPECT_TRUE(ZOLString() == static_cast<const char*>(nullptr));
    EXPECT_TRUE(ZOLString::emptyString == "");
    EXPECT_FALSE(ZOLString("1") == ZOLString("01"));
}

TEST(ZOLString, InitTakesLengthOrStopsAtNul)
{
    ZOLString s;
    s.init("abcdef", 3);
    EXPECT_EQ("abc", utf8(s));
    s.init(u"\u00E9t\u00E9", 2);
    EXPECT_EQ("\xC3\xA9t", utf8(s));
    s.init(static_cast<const char*>(nullptr));
    EXPECT_EQ("", utf8(s));
    // Re-initialising from its own characters keeps the text intact.
    ZOLString self(std::string(50, 'q').c_str());
    self.init(self.chars() + 10, -1);
    EXPECT_EQ(std::string(40, 'q'), utf8(self));
}
