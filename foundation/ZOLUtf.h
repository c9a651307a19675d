#ifndef ZOLUTF_H
#define ZOLUTF_H

// UTF-16 to UTF-8 conversion used by ZOLString. Internal to the foundation.

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The NUL-terminated converter reads whole aligned 16-byte blocks, past the NUL within the
// block that holds it (never into another page). AddressSanitizer would take that for an
// overflow, so under it the block readers are left uninstrumented and kept out of line;
// everywhere else they are inlined into ZOLString's constructor.
#if defined(__SANITIZE_ADDRESS__)
#define ZOLUTF_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZOLUTF_ASAN 1
#endif
#endif
#if defined(ZOLUTF_ASAN)
#define ZOLUTF_BLOCK_READER __attribute__((no_sanitize_address, noinline))
#define ZOLUTF_BLOCK_LOADS __attribute__((no_sanitize_address, always_inline))
#else
#define ZOLUTF_BLOCK_READER __attribute__((always_inline))
#define ZOLUTF_BLOCK_LOADS
#endif

namespace zolutf {

// Worst-case UTF-8 bytes for count UTF-16 units (a unit never needs more than three).
constexpr std::size_t maxUtf8Bytes(std::size_t count) { return count * 3; }

// Room that utf16zToUtf8 needs before its output limit to make progress.
constexpr std::size_t UTF8Z_ROOM = 16;

// Writes count units of text as UTF-8 to out, which has room for maxUtf8Bytes(count);
// returns the number of bytes written. Unpaired surrogates become U+FFFD; NUL units are
// converted like any other.
std::size_t utf16ToUtf8(const char16_t* text, std::size_t count, char* out) noexcept;

// Where utf16zToUtf8 stopped.
struct Progress {
    const char16_t* text; // the next unit to convert; the NUL when ended
    char* out;            // the next byte to write; below outEnd when ended
    bool ended;           // the NUL was reached
};

// Converts text up to its NUL in one pass, writing to out but never at or past outEnd,
// and stops early once fewer than UTF8Z_ROOM bytes are left. Bytes between the returned
// out and outEnd may have been overwritten. Unpaired surrogates become U+FFFD.
//
// Reads text in aligned 16-byte blocks, each holding at least one unit of the text: a
// block may extend past the NUL but never into a page the text does not reach.
inline Progress utf16zToUtf8(const char16_t* text, char* out, const char* outEnd) noexcept;

// Number of UTF-16 units that length bytes of UTF-8 need (invalid bytes count one each).
std::size_t utf16Units(const char* text, std::size_t length) noexcept;

// Writes length bytes of UTF-8 as UTF-16 to out, which has room for utf16Units(); returns
// the units written. Malformed sequences become U+FFFD, one per offending byte.
std::size_t utf8ToUtf16(const char* text, std::size_t length, char16_t* out) noexcept;

namespace detail {

// Units converted per block of the fast ASCII path.
constexpr std::size_t BLOCK = 16;

// Writes the character starting at *p, which is at least U+0080, and advances p past it.
// p[1] is read only for a high surrogate and only when pairAvailable is true.
inline char* putNonAscii(const char16_t*& p, bool pairAvailable, char* o) noexcept
{
    const char32_t c = *p++;
    if (c < 0x800) {
        o[0] = static_cast<char>(0xC0 | (c >> 6));
        o[1] = static_cast<char>(0x80 | (c & 0x3F));
        return o + 2;
    }
    if (c - 0xD800 >= 0x800) {
        o[0] = static_cast<char>(0xE0 | (c >> 12));
        o[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        o[2] = static_cast<char>(0x80 | (c & 0x3F));
        return o + 3;
    }
    if (c <= 0xDBFF && pairAvailable && static_cast<char32_t>(*p) - 0xDC00 < 0x400) {
        const char32_t cp = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(*p++) - 0xDC00);
        o[0] = static_cast<char>(0xF0 | (cp >> 18));
        o[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        o[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        o[3] = static_cast<char>(0x80 | (cp & 0x3F));
        return o + 4;
    }
    // U+FFFD for a surrogate without its partner.
    o[0] = static_cast<char>(0xEF);
    o[1] = static_cast<char>(0xBF);
    o[2] = static_cast<char>(0xBD);
    return o + 3;
}

// As putNonAscii for NUL-terminated text, with room for four bytes at o: every
// character is assembled in a register and written with one store.
inline char* putNonAsciiRoomy(const char16_t*& p, char* o) noexcept
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    const std::uint32_t c = *p++;
    std::uint32_t bytes;
    std::size_t count;
    if (c < 0x800) {
        bytes = 0x80C0u | (c >> 6) | ((c & 0x3F) << 8);
        count = 2;
    } else if (c - 0xD800 >= 0x800) {
        bytes = 0x8080E0u | (c >> 12) | (((c >> 6) & 0x3F) << 8) | ((c & 0x3F) << 16);
        count = 3;
    } else if (c <= 0xDBFF && static_cast<std::uint32_t>(*p) - 0xDC00 < 0x400) {
        const std::uint32_t cp = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(*p++) - 0xDC00);
        bytes = 0x808080F0u | (cp >> 18) | (((cp >> 12) & 0x3F) << 8) | (((cp >> 6) & 0x3F) << 16) |
                ((cp & 0x3F) << 24);
        count = 4;
    } else {
        bytes = 0xBDBFEFu;
        count = 3;
    }
    std::memcpy(o, &bytes, sizeof bytes);
    return o + count;
#else
    return putNonAscii(p, true, o);
#endif
}

#if defined(__SSE2__)

// Bits set for the bytes that are NUL or 0x80 and above.
inline unsigned stopMask(__m128i bytes) noexcept
{
    const __m128i nul = _mm_cmpeq_epi8(bytes, _mm_setzero_si128());
    return static_cast<unsigned>(_mm_movemask_epi8(bytes) | _mm_movemask_epi8(nul));
}

// Narrows the 16 units a, b into 16 bytes at out and returns a mask with one bit per unit
// that may not be copied so: NUL or U+0080 and above. Units at 0x8000 and above saturate
// to 0 and those from 0x80 to 0x7FFF to at least 0x80, so the bytes alone tell.
inline unsigned narrowBlock(__m128i a, __m128i b, char* out) noexcept
{
    const __m128i bytes = _mm_packus_epi16(a, b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    return stopMask(bytes);
}

// Copies the leading ASCII units other than NUL of the 16 units at p, which is 16-byte
// aligned, to out (16 bytes may be written) and returns their number, 16 when all are.
// The second 8 units are read only when the first 8 hold no NUL, so every aligned block
// read holds part of the text: nothing is read from a page the text does not reach.
ZOLUTF_BLOCK_LOADS inline unsigned asciiBlock(const char16_t* p, char* out) noexcept
{
    const __m128i a = _mm_load_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i low = _mm_packus_epi16(a, a);
    unsigned stop = stopMask(low) & 0xFF;
    if (stop != 0) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), low);
        return static_cast<unsigned>(__builtin_ctz(stop));
    }
    const __m128i b = _mm_load_si128(reinterpret_cast<const __m128i*>(p + 8));
    const __m128i bytes = _mm_packus_epi16(a, b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    stop = stopMask(bytes);
    return stop == 0 ? static_cast<unsigned>(BLOCK) : static_cast<unsigned>(__builtin_ctz(stop));
}

#endif

} // namespace detail

ZOLUTF_BLOCK_READER inline Progress
utf16zToUtf8(const char16_t* text, char* out, const char* outEnd) noexcept
{
    const char16_t* p = text;
    char* o = out;
    // Past this, fewer than UTF8Z_ROOM bytes are left.
    const char* const last = outEnd - UTF8Z_ROOM;
    while (o <= last) {
#if defined(__SSE2__)
        // The reader's strings start on a 16-byte boundary; others reach one after a few units.
        if ((reinterpret_cast<std::uintptr_t>(p) & 15) == 0) {
            const unsigned ascii = detail::asciiBlock(p, o);
            p += ascii;
            o += ascii;
            if (ascii == detail::BLOCK)
                continue;
            if (o > last)
                break;
        }
#endif
        // One unit at a time until ASCII text reaches a block boundary. A high surrogate's
        // partner is always readable: at worst it is the NUL.
        for (;;) {
            const char16_t c = *p;
            if (c < 0x80) {
                if (c == 0)
                    return Progress{p, o, true};
                *o++ = static_cast<char>(c);
                ++p;
                if ((reinterpret_cast<std::uintptr_t>(p) & 15) == 0)
                    break;
            } else {
                o = detail::putNonAsciiRoomy(p, o);
            }
            if (o > last)
                return Progress{p, o, false};
        }
    }
    return Progress{p, o, false};
}

// The start of utf16zToUtf8 for an output buffer of 32 bytes, where most names and texts
// end: ASCII text of up to 31 units that starts on a 16-byte boundary is converted
// straight through. Otherwise returns where utf16zToUtf8 (with outEnd at out + 32) is to
// carry on.
ZOLUTF_BLOCK_READER inline Progress
utf16zToUtf8Head(const char16_t* text, char* out) noexcept
{
#if defined(__SSE2__)
    if ((reinterpret_cast<std::uintptr_t>(text) & 15) == 0) {
        std::size_t done = detail::asciiBlock(text, out);
        // A second block only after a first without NUL, as in asciiBlock.
        if (done == detail::BLOCK)
            done += detail::asciiBlock(text + detail::BLOCK, out + detail::BLOCK);
        if (done == 2 * detail::BLOCK)
            return Progress{text + done, out + done, false};
        return Progress{text + done, out + done, text[done] == 0};
    }
#endif
    return Progress{text, out, false};
}

} // namespace zolutf

#endif
