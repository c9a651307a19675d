#include "ZOLUtf.h"

#include <cstring>

namespace zolutf {

#if defined(ZOLUTF_WIDE)

bool haveWideConverter() noexcept
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

ZOLUTF_WIDE_TARGET Progress utf16zToUtf8Wide(const char16_t* text, char* out, const char* outEnd) noexcept
{
    return utf16zToUtf8WideBody(text, out, outEnd);
}

#else

bool haveWideConverter() noexcept
{
    return false;
}

Progress utf16zToUtf8Wide(const char16_t* text, char* out, const char* outEnd) noexcept
{
    return utf16zToUtf8(text, out, outEnd);
}

#endif

std::size_t utf16ToUtf8(const char16_t* text, std::size_t count, char* out) noexcept
{
    const char16_t* p = text;
    const char16_t* const end = text + count;
    char* o = out;
    while (p < end) {
#if defined(__SSE2__)
        // Out has room for three bytes a unit, so a whole block may always be stored.
        if (static_cast<std::size_t>(end - p) >= detail::BLOCK) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
            const unsigned stop = detail::narrowBlock(a, b, o);
            if (stop == 0) {
                p += detail::BLOCK;
                o += detail::BLOCK;
                continue;
            }
            const auto ascii = static_cast<unsigned>(__builtin_ctz(stop));
            p += ascii;
            o += ascii;
        }
#endif
        if (*p < 0x80) {
            *o++ = static_cast<char>(*p++);
            continue;
        }
        // Non-ASCII text tends to come in runs; stay here until the run ends.
        do
            o = detail::putNonAscii(p, end - p > 1, o);
        while (p < end && *p >= 0x80);
    }
    return static_cast<std::size_t>(o - out);
}

namespace {

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
