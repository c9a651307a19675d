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
    EXPECT_EQ("-7", utf8(ZOLString(-7L)));
    EXPECT_EQ(std::to_string(LONG_MAX), utf8(ZOLString(LONG_MAX)));
    EXPECT_EQ(std::to_string(LONG_MIN), utf8(ZOLString(LONG_MIN)));
}

TEST(ZOLString, MidClipsAtItsBounds)
{
    const ZOLString s("0123456789");
    EXPECT_EQ("789", utf8(s.mid(7, 100)));
    EXPECT_EQ("9", utf8(s.mid(9, static_cast<std::size_t>(-1))));
    EXPECT_EQ("", utf8(s.mid(10, 1)));
    EXPECT_EQ("", utf8(s.mid(11, 1)));
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

TEST(ZOLString, CopiesMovesAndCompares)
{
    const ZOLString b(std::string(40, 'x').c_str());
    ZOLString copy(b);
    EXPECT_TRUE(copy == b);
    EXPECT_NE(copy.chars(), b.chars());
    ZOLString moved(static_cast<ZOLString&&>(copy));
    EXPECT_TRUE(moved == b);
    EXPECT_TRUE(copy.isEmpty());
    copy = moved;
    copy = copy;
    EXPECT_TRUE(copy == b);

    const ZOLString a("left");
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
    // And from its own wide form, which the new text replaces.
    ZOLString wide(std::string(80, 'w').c_str());
    wide.init(wide.wchars() + 5);
    EXPECT_EQ(std::string(75, 'w'), utf8(wide));
    wide.init(wide.wchars(), 3);
    EXPECT_EQ("www", utf8(wide));
}
