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

using TerminatedConverter = zolutf::Progress (*)(const char16_t*, char*, const char*) noexcept;

// Converts with a NUL-terminated converter into windows of the given size, taking the
// output out of each the way ZOLString moves it to a bigger buffer, and checks that
// nothing is written at or past a window's end.
std::string viaTerminated(const char16_t* text, std::size_t window, TerminatedConverter convert = zolutf::utf16zToUtf8)
{
    std::string result;
    std::vector<char> buffer(window + 64, '#');
    const char16_t* p = text;
    for (;;) {
        const zolutf::Progress progress = convert(p, buffer.data(), buffer.data() + window);
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
        const std::size_t room = convert == zolutf::utf16zToUtf8 ? zolutf::UTF8Z_ROOM : zolutf::UTF8Z_WIDE_ROOM;
        EXPECT_GE(window, room);
        if (window < room)
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

        // The terminated form at any offset from a 16-byte boundary, so that the NUL falls in
        // every lane of a block, with low surrogates and non-ASCII after it: what the block
        // readers see past the NUL must not change the result.
        const std::u16string text = randomText(random, length, false);
        const std::size_t offset = random() % 8;
        std::vector<char16_t> storage(text.size() + 64);
        for (std::size_t i = 0; i < storage.size(); ++i)
            storage[i] = i % 2 != 0 ? char16_t(0xDC00) : u'\u00FF';
        auto base = reinterpret_cast<std::uintptr_t>(storage.data());
        char16_t* aligned = storage.data() + ((16 - base % 16) % 16) / 2;
        char16_t* start = aligned + offset;
        std::memcpy(start, text.data(), text.size() * sizeof(char16_t));
        start[text.size()] = u'\0';
        const std::string expected = reference(text);
        EXPECT_EQ(expected, viaTerminated(start, 16 + random() % 64));
        if (zolutf::haveWideConverter()) {
            const std::size_t window = zolutf::UTF8Z_WIDE_ROOM + random() % 64;
            EXPECT_EQ(expected, viaTerminated(start, window, zolutf::utf16zToUtf8Wide));
        }
        for (const bool wide : {false, true}) {
            zolutf::useWideConverter(wide);
            const ZOLString string(start);
            EXPECT_EQ(expected, std::string(string.chars(), string.length())) << (wide ? "wide" : "portable");
        }
        zolutf::useWideConverter(true);
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
        if (zolutf::haveWideConverter()) {
            EXPECT_EQ(expected, viaTerminated(start, 64, zolutf::utf16zToUtf8Wide));
        }
        EXPECT_EQ(expected, std::string(ZOLString(start).chars()));
    }
    munmap(map, 2 * page);
}

TEST(ZOLUtf, BlockConverterJoinsPairsAcrossBlocksAndWindowEnds)
{
    if (!zolutf::haveWideConverter())
        GTEST_SKIP() << "no AVX2";
    // A pair at every position around the edges of sixteen-unit blocks, between runs of
    // two- and three-byte characters and ASCII, lone halves next to it or last of all, and
    // every window size around the block converter's room, so that a pair opened by one
    // block is finished, or found to be no pair, by the next block or at a window's end.
    alignas(16) char16_t storage[96];
    for (const char16_t filler : {u'a', u'\u00E9', u'\u4E2D'}) {
        for (std::size_t at = 0; at < 40; ++at) {
            for (int variant = 0; variant < 5; ++variant) {
                std::u16string text(56, filler);
                // U+10F801: every bit of the high half's low pair of bits counts.
                text[at] = 0xDBFE;
                text[at + 1] = 0xDC01;
                if (variant == 1)
                    text[at + 2] = 0xDBFF; // a lone high half right after the pair
                if (variant == 2)
                    text[at] = 0xDC00; // two low halves
                if (variant == 3)
                    text.resize(at + 1); // a high half last of all
                if (variant == 4) {
                    // Two high halves, then a low one.
                    text[at + 1] = 0xDBFF;
                    text[at + 2] = 0xDC01;
                }
                std::copy(text.begin(), text.end(), storage);
                storage[text.size()] = u'\0';
                const std::string expected = reference(text);
                for (std::size_t window = zolutf::UTF8Z_WIDE_ROOM; window < 110; ++window)
                    ASSERT_EQ(expected, viaTerminated(storage, window, zolutf::utf16zToUtf8Wide))
                        << "pair at " << at << ", variant " << variant << ", window " << window;
                EXPECT_EQ(expected, std::string(ZOLString(storage).chars()));
            }
        }
    }
}
