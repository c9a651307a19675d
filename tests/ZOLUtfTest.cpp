#include "ZOLUtf.h"

#include <ZOLString.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// The obvious converter, one code point at a time, that the fast ones must agree with.
std::string reference(const std::u16string& text)
{
    std::string out;
    const auto put = [&out](char32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool lowNext = i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (high && lowNext) {
            put(0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            put(0xFFFD);
        } else {
            put(c);
        }
    }
    return out;
}

std::string viaCount(const std::u16string& text)
{
    std::vector<char> out(zolutf::maxUtf8Bytes(text.size()) + 1);
    return std::string(out.data(), zolutf::utf16ToUtf8(text.data(), text.size(), out.data()));
}

// Converts with utf16zToUtf8 into windows of the given size, growing them the way
// ZOLString does, and checks that nothing is written at or past a window's end.
std::string viaTerminated(const char16_t* text, std::size_t window)
{
    std::string result;
    std::vector<char> buffer(window + 64, '#');
    const char16_t* p = text;
    for (;;) {
        const zolutf::Progress progress = zolutf::utf16zToUtf8(p, buffer.data(), buffer.data() + window);
        for (std::size_t i = window; i < buffer.size(); ++i)
            EXPECT_EQ('#', buffer[i]) << "written past the window at " << i;
        result.append(buffer.data(), progress.out);
        p = progress.text;
        if (progress.ended) {
            EXPECT_LT(progress.out, buffer.data() + window);
            EXPECT_EQ(u'\0', *p);
            return result;
        }
        // No room left means progress was made unless the window is too small to begin with.
        EXPECT_GE(window, zolutf::UTF8Z_ROOM);
        if (window < zolutf::UTF8Z_ROOM)
            return result;
    }
}

// Text biased towards what makes converters fail: ASCII runs crossing block edges,
// every UTF-8 length, surrogate pairs, and lone or swapped surrogates.
std::u16string randomText(std::mt19937& random, std::size_t length, bool allowNul)
{
    std::u16string text;
    std::uniform_int_distribution<int> kind(0, 9);
    while (text.size() < length) {
        switch (kind(random)) {
        case 0:
            text += static_cast<char16_t>(0x80 + random() % 0x780);
            break;
        case 1:
            text += static_cast<char16_t>(0x800 + random() % 0xD000);
            break;
        case 2:
            text += static_cast<char16_t>(0xE000 + random() % 0x2000);
            break;
        case 3:
            text += static_cast<char16_t>(0xD800 + random() % 0x400);
            text += static_cast<char16_t>(0xDC00 + random() % 0x400);
            break;
        case 4:
            text += static_cast<char16_t>(0xD800 + random() % 0x800);
            break;
        default:
            for (int n = static_cast<int>(random() % 40); n >= 0; --n)
                text += static_cast<char16_t>(allowNul ? random() % 0x80 : 1 + random() % 0x7F);
        }
    }
    text.resize(length);
    return text;
}

} // namespace

TEST(ZOLUtf, EdgeCasesAgreeWithReference)
{
    const std::u16string ascii33(33, u'x');
    const std::vector<std::u16string> cases = {
        u"",
        u"a",
        std::u16string(u"\u007F\u0080\u07FF\u0800\uD7FF\uE000\uFFFD\uFFFF"),
        std::u16string(1, char16_t(0xD800)),
        std::u16string(1, char16_t(0xDFFF)),
        std::u16string({char16_t(0xDC00), char16_t(0xD800), u'z'}),
        std::u16string({char16_t(0xD800), char16_t(0xD800), char16_t(0xDC00)}),
        // A pair split across the edge of a 16-unit block, and a lone high surrogate there.
        ascii33.substr(0, 15) + u"\U0001F600" + ascii33.substr(0, 15),
        ascii33.substr(0, 15) + char16_t(0xDBFF) + ascii33.substr(0, 15),
        ascii33.substr(0, 15),
        ascii33.substr(0, 16),
        ascii33.substr(0, 17),
        ascii33.substr(0, 31),
        ascii33.substr(0, 32),
        ascii33,
        std::u16string(100, u'\u00E9'),
        std::u16string(u"\U0010FFFF\U00010000"),
    };
    for (const std::u16string& text : cases) {
        const std::string expected = reference(text);
        EXPECT_EQ(expected, viaCount(text));
        for (std::size_t window : {16u, 17u, 20u, 32u, 64u, 1024u})
            EXPECT_EQ(expected, viaTerminated(text.c_str(), window)) << "window " << window;
        EXPECT_EQ(expected, std::string(ZOLString(text.c_str()).chars()));
    }
}

TEST(ZOLUtf, CountedConversionKeepsNulUnitsAndLoneSurrogateAtEnd)
{
    const char16_t text[] = {u'a', 0, u'b', 0xD800};
    char out[16];
    ASSERT_EQ(6u, zolutf::utf16ToUtf8(text, 4, out));
    EXPECT_EQ(std::string("a\0b\xEF\xBF\xBD", 6), std::string(out, 6));
    // The high surrogate is last of the count although a low one follows in memory.
    const char16_t split[] = {0xD83D, 0xDE00};
    ASSERT_EQ(3u, zolutf::utf16ToUtf8(split, 1, out));
    EXPECT_EQ("\xEF\xBF\xBD", std::string(out, 3));
}

TEST(ZOLUtf, RandomTextAgreesWithReferenceAtEveryAlignment)
{
    std::mt19937 random(20240501);
    for (int round = 0; round < 3000; ++round) {
        const std::size_t length = random() % (round < 2000 ? 80 : 2000);
        const std::u16string counted = randomText(random, length, true);
        EXPECT_EQ(reference(counted), viaCount(counted));

        // The terminated form at any offset from a 16-byte boundary, with non-NUL garbage
        // after the NUL so that reading past it cannot change the result.
        const std::u16string text = randomText(random, length, false);
        const std::size_t offset = random() % 8;
        std::vector<char16_t> storage(text.size() + 64, u'G');
        auto base = reinterpret_cast<std::uintptr_t>(storage.data());
        char16_t* aligned = storage.data() + ((16 - base % 16) % 16) / 2;
        char16_t* start = aligned + offset;
        std::memcpy(start, text.data(), text.size() * sizeof(char16_t));
        start[text.size()] = u'\0';
        const std::string expected = reference(text);
        EXPECT_EQ(expected, viaTerminated(start, 16 + random() % 64));
        const ZOLString string(start);
        EXPECT_EQ(expected, std::string(string.chars(), string.length()));
    }
}

TEST(ZOLUtf, TerminatedTextEndingAtPageEndIsNotReadBeyond)
{
    // The text's NUL is the last unit before an inaccessible page.
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void* map = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(MAP_FAILED, map);
    ASSERT_EQ(0, mprotect(static_cast<char*>(map) + page, page, PROT_NONE));
    auto* units = static_cast<char16_t*>(map);
    const std::size_t capacity = page / sizeof(char16_t);
    for (std::size_t length : {0u, 1u, 7u, 8u, 15u, 16u, 17u, 40u, 300u}) {
        char16_t* start = units + capacity - 1 - length;
        for (std::size_t i = 0; i < length; ++i)
            start[i] = i % 5 == 4 ? u'\u00E9' : static_cast<char16_t>(u'a' + i % 26);
        start[length] = u'\0';
        const std::string expected = reference(std::u16string(start, length));
        EXPECT_EQ(expected, viaTerminated(start, 64));
        EXPECT_EQ(expected, std::string(ZOLString(start).chars()));
    }
    munmap(map, 2 * page);
}
