#include "ZOLUtf.h"

#include <cstdint>
#include <cstring>

namespace zolutf {

namespace {

constexpr std::uint64_t NON_ASCII_MASK = 0xFF80FF80FF80FF80ull;

inline char* putReplacement(char* out) noexcept
{
    *out++ = static_cast<char>(0xEF);
    *out++ = static_cast<char>(0xBF);
    *out++ = static_cast<char>(0xBD);
    return out;
}

// Decodes one UTF-8 sequence at text[i]; returns the code point or -1 when malformed,
// and sets used to the bytes consumed (1 for a malformed byte).
long decodeUtf8(const unsigned char* text, std::size_t length, std::size_t i, std::size_t& used) noexcept
{
    const unsigned char b0 = text[i];
    used = 1;
    if (b0 < 0x80)
        return b0;
    std::size_t need;
    long cp;
    long min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 1;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 2;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 3;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return -1;
    }
    if (length - i <= need)
        return -1;
    for (std::size_t k = 1; k <= need; ++k) {
        const unsigned char b = text[i + k];
        if ((b & 0xC0) != 0x80)
            return -1;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return -1;
    used = need + 1;
    return cp;
}

} // namespace

std::size_t length16(const char16_t* text) noexcept
{
    const char16_t* p = text;
    while (*p)
        ++p;
    return static_cast<std::size_t>(p - text);
}

std::size_t utf16ToUtf8(const char16_t* text, std::size_t count, char* out) noexcept
{
    const char16_t* p = text;
    const char16_t* const end = text + count;
    char* o = out;
    while (p < end) {
        // Runs of ASCII go four units at a time.
        while (end - p >= 4) {
            std::uint64_t block;
            std::memcpy(&block, p, sizeof block);
            if (block & NON_ASCII_MASK)
                break;
            o[0] = static_cast<char>(p[0]);
            o[1] = static_cast<char>(p[1]);
            o[2] = static_cast<char>(p[2]);
            o[3] = static_cast<char>(p[3]);
            o += 4;
            p += 4;
        }
        if (p == end)
            break;
        const char32_t c = *p++;
        if (c < 0x80) {
            *o++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *o++ = static_cast<char>(0xC0 | (c >> 6));
            *o++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0xD800 || c > 0xDFFF) {
            *o++ = static_cast<char>(0xE0 | (c >> 12));
            *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c <= 0xDBFF && p < end && *p >= 0xDC00 && *p <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(*p++) - 0xDC00);
            *o++ = static_cast<char>(0xF0 | (cp >> 18));
            *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            o = putReplacement(o);
        }
    }
    return static_cast<std::size_t>(o - out);
}

std::size_t utf16Units(const char* text, std::size_t length) noexcept
{
    const auto* t = reinterpret_cast<const unsigned char*>(text);
    std::size_t units = 0;
    for (std::size_t i = 0; i < length;) {
        std::size_t used;
        const long cp = decodeUtf8(t, length, i, used);
        units += cp >= 0x10000 ? 2 : 1;
        i += used;
    }
    return units;
}

std::size_t utf8ToUtf16(const char* text, std::size_t length, char16_t* out) noexcept
{
    const auto* t = reinterpret_cast<const unsigned char*>(text);
    char16_t* o = out;
    for (std::size_t i = 0; i < length;) {
        std::size_t used;
        const long cp = decodeUtf8(t, length, i, used);
        if (cp < 0) {
            *o++ = 0xFFFD;
        } else if (cp >= 0x10000) {
            *o++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            *o++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            *o++ = static_cast<char16_t>(cp);
        }
        i += used;
    }
    return static_cast<std::size_t>(o - out);
}

} // namespace zolutf
