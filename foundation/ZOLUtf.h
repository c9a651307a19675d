#ifndef ZOLUTF_H
#define ZOLUTF_H

// UTF-16 to UTF-8 conversion used by ZOLString. Internal to the foundation.

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The block converter for processors with AVX2, chosen at run time.
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define ZOLUTF_WIDE 1
#define ZOLUTF_WIDE_TARGET __attribute__((target("avx2")))
#else
#define ZOLUTF_WIDE_TARGET
#endif

// The NUL-terminated converter reads whole aligned 16-byte blocks, past the NUL within the
// block that holds it (never into another page). AddressSanitizer would take that for an
// overflow, and ThreadSanitizer for a use of freed memory when the bytes after the NUL were
// freed, so under either the block readers are left uninstrumented and kept out of line;
// everywhere else they are inlined into ZOLString's constructor.
#if defined(__SANITIZE_ADDRESS__)
#define ZOLUTF_UNCHECKED no_sanitize_address
#elif defined(__SANITIZE_THREAD__)
#define ZOLUTF_UNCHECKED no_sanitize_thread
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZOLUTF_UNCHECKED no_sanitize_address
#elif __has_feature(thread_sanitizer)
#define ZOLUTF_UNCHECKED no_sanitize_thread
#endif
#endif
#if defined(ZOLUTF_UNCHECKED)
#define ZOLUTF_BLOCK_READER __attribute__((ZOLUTF_UNCHECKED, noinline))
#define ZOLUTF_BLOCK_LOADS __attribute__((ZOLUTF_UNCHECKED, always_inline))
#else
#define ZOLUTF_BLOCK_READER __attribute__((always_inline))
#define ZOLUTF_BLOCK_LOADS
#endif
// The same for the block reader compiled for a newer instruction set, which is inlined only
// into callers compiled for that set too.
#if defined(ZOLUTF_UNCHECKED)
#define ZOLUTF_WIDE_BLOCK_READER __attribute__((ZOLUTF_UNCHECKED, noinline))
#else
#define ZOLUTF_WIDE_BLOCK_READER __attribute__((always_inline))
#endif

namespace zolutf {

// Worst-case UTF-8 bytes for count UTF-16 units (a unit never needs more than three).
constexpr std::size_t maxUtf8Bytes(std::size_t count)
{
    return count * 3;
}

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

// utf16zToUtf8, the one-pass converter, is defined below its helpers. (It has no forward
// declaration: GCC will not take one together with the attributes of sanitizer builds.)

// Output room that utf16zToUtf8Wide needs to convert a block of text in one step.
constexpr std::size_t UTF8Z_WIDE_ROOM = 52;

// True when this processor runs utf16zToUtf8Wide (it needs AVX2).
bool haveWideConverter() noexcept;

// Makes ZOLString's construction from wide text use the block converter when wide is true
// and the processor has it, else the portable converter; returns whether it uses the block
// converter now. The library makes the fastest choice when it loads; tests try both.
bool useWideConverter(bool wide) noexcept;

// As utf16zToUtf8, but converting blocks of sixteen units of any kind (ASCII, two- and
// three-byte characters, surrogate pairs) with vector instructions. With fewer than
// UTF8Z_WIDE_ROOM bytes left it converts a block only if the block fits, so it may stop
// there without progress; with more it always progresses. Only when haveWideConverter().
ZOLUTF_WIDE_TARGET Progress utf16zToUtf8Wide(const char16_t* text, char* out, const char* outEnd) noexcept;

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
        bytes =
            0x808080F0u | (cp >> 18) | (((cp >> 12) & 0x3F) << 8) | (((cp >> 6) & 0x3F) << 16) | ((cp & 0x3F) << 24);
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

// Room that finishShort needs.
constexpr std::size_t SHORT_ROOM = 28;

// Converts the last few units of a text, fewer than eight, one at a time up to the NUL,
// with SHORT_ROOM bytes at o: for so few units that takes fewer instructions than a block.
inline Progress finishShort(const char16_t* p, char* o) noexcept
{
    for (;;) {
        const char16_t c = *p;
        if (c >= 0x80) {
            o = putNonAsciiRoomy(p, o);
        } else if (c != 0) {
            *o++ = static_cast<char>(c);
            ++p;
        } else {
            return Progress{p, o, true};
        }
    }
}

#if defined(__SSE2__)

// Bits set for the bytes that are NUL or 0x80 and above: those not positive as signed.
inline unsigned stopMask(__m128i bytes) noexcept
{
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi8(bytes, _mm_setzero_si128()))) ^ 0xFFFFu;
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

// Converts text up to its NUL in one pass, writing to out but never at or past outEnd,
// and stops early once fewer than UTF8Z_ROOM bytes are left. Bytes between the returned
// out and outEnd may have been overwritten. Unpaired surrogates become U+FFFD.
//
// Reads text in aligned 16-byte blocks, each holding at least one unit of the text: a
// block may extend past the NUL but never into a page the text does not reach.
ZOLUTF_BLOCK_READER inline Progress utf16zToUtf8(const char16_t* text, char* out, const char* outEnd) noexcept
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

// True when the text at p, on a 16-byte boundary, ends within its first eight units.
ZOLUTF_BLOCK_READER inline bool endsInBlock(const char16_t* p) noexcept
{
#if defined(__SSE2__)
    const __m128i units = _mm_load_si128(reinterpret_cast<const __m128i*>(p));
    return _mm_movemask_epi8(_mm_cmpeq_epi16(units, _mm_setzero_si128())) != 0;
#else
    for (int i = 0; i < 8; ++i)
        if (p[i] == 0)
            return true;
    return false;
#endif
}

// The start of a conversion into an output buffer of at least 32 bytes: copies the ASCII
// units other than NUL at the start of text, which is on a 16-byte boundary, up to 32 of
// them, to out and returns their number. When the text ends there, writes the NUL and sets
// ended. 32 bytes may be written.
ZOLUTF_BLOCK_READER inline std::size_t asciiStart(const char16_t* text, char* out, bool& ended) noexcept
{
#if defined(__SSE2__)
    std::size_t n = detail::asciiBlock(text, out);
    // A second block only after a first without NUL, as in asciiBlock.
    if (n == detail::BLOCK)
        n += detail::asciiBlock(text + detail::BLOCK, out + detail::BLOCK);
    ended = n != 2 * detail::BLOCK && text[n] == 0;
    if (ended)
        out[n] = '\0';
    return n;
#else
    (void)text;
    (void)out;
    ended = false;
    return 0;
#endif
}

#if defined(ZOLUTF_WIDE)

namespace detail {

// Compaction of four 4-byte slots into consecutive bytes. A unit's slot holds, in order: its
// byte if it is ASCII, the last byte of a longer character, the lead byte of a three-byte
// character, and either the lead byte of a two-byte character or the middle byte of a
// three-byte one. The key has two bits per slot: "one byte" and "at most two bytes" (the
// halves of a surrogate pair count as two-byte units). A shuffle's last byte, never one of
// the at most 12 it keeps, holds 0x80 plus their number: the high bit still clears the byte
// it shuffles, and the row alone tells both.
struct PackTable {
    alignas(16) unsigned char shuffle[256][16];
};

// Where a shuffle row keeps its length.
constexpr unsigned char PACKED_LENGTH = 15;

constexpr PackTable makePackTable()
{
    PackTable table{};
    for (unsigned key = 0; key < 256; ++key) {
        unsigned n = 0;
        for (unsigned slot = 0; slot < 4; ++slot) {
            const bool one = (key >> (2 * slot)) & 1;
            const bool upToTwo = (key >> (2 * slot + 1)) & 1;
            const unsigned char base = static_cast<unsigned char>(4 * slot);
            if (one) {
                table.shuffle[key][n++] = base;
            } else if (upToTwo) {
                table.shuffle[key][n++] = base + 3;
                table.shuffle[key][n++] = base + 1;
            } else {
                table.shuffle[key][n++] = base + 2;
                table.shuffle[key][n++] = base + 3;
                table.shuffle[key][n++] = base + 1;
            }
        }
        table.shuffle[key][PACKED_LENGTH] = static_cast<unsigned char>(0x80 + n);
        while (n < PACKED_LENGTH)
            table.shuffle[key][n++] = 0x80;
    }
    return table;
}

inline constexpr PackTable packTable = makePackTable();

// The vector constants of the block converter, loaded through a pointer that the compiler
// cannot see through: otherwise it rebuilds each of them in the loop, three instructions
// apiece, where a load folds into the instruction that uses it.
enum Constant {
    FF80,
    F800,
    D800,
    FC00,
    DUP_LOW,
    x3F7F,
    x8000,
    x0FFC,
    x0140,
    xC0E0,
    x4000,
    x3000,
    x0040,
    x0700,
    xF000,
    x3F00,
    DC00,
    FFFD,
    CONSTANTS
};

struct ConstantTable {
    alignas(32) std::uint16_t lanes[CONSTANTS][16];
};

constexpr ConstantTable makeConstantTable()
{
    // DUP_LOW: a byte shuffle that copies each unit's low byte into both of its bytes.
    constexpr std::uint16_t values[CONSTANTS] = {0xFF80, 0xF800, 0xD800, 0xFC00, 0,      0x3F7F,
                                                 0x8000, 0x0FFC, 0x0140, 0xC0E0, 0x4000, 0x3000,
                                                 0x0040, 0x0700, 0xF000, 0x3F00, 0xDC00, 0xFFFD};
    ConstantTable table{};
    for (unsigned i = 0; i < CONSTANTS; ++i)
        for (unsigned lane = 0; lane < 16; ++lane)
            table.lanes[i][lane] = i == DUP_LOW ? static_cast<std::uint16_t>(0x0101 * (2 * (lane % 8))) : values[i];
    return table;
}

inline constexpr ConstantTable constantTable = makeConstantTable();

// Copies n <= 48 bytes with fixed-size moves, overlapping where n is not a multiple of
// their size, rather than a call to memcpy.
inline void copyShort(char* out, const char* in, std::size_t n) noexcept
{
    if (n >= 16) {
        std::memcpy(out, in, 16);
        if (n > 32)
            std::memcpy(out + 16, in + 16, 16);
        std::memcpy(out + n - 16, in + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(out, in, 8);
        std::memcpy(out + n - 8, in + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(out, in, 4);
        std::memcpy(out + n - 4, in + n - 4, 4);
    } else {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = in[i];
    }
}

// A block takes a high surrogate in its last lane for the first half of a pair and writes
// the first two bytes of the character; the next block's first unit settles it, or else
// the functions below.

// Writes the last two bytes of such a pair, whose low half is *p, and advances p past it.
inline char* finishPair(const char16_t*& p, char* o) noexcept
{
    const unsigned high = p[-1];
    const unsigned low = *p++;
    o[0] = static_cast<char>(0x80 | ((high & 3) << 4) | ((low >> 6) & 0xF));
    o[1] = static_cast<char>(0x80 | (low & 0x3F));
    return o + 2;
}

// Rewrites the two bytes before o, written for a high surrogate that turned out to be
// alone, as U+FFFD.
inline char* fixLoneHigh(char* o) noexcept
{
    o[-2] = static_cast<char>(0xEF);
    o[-1] = static_cast<char>(0xBF);
    o[0] = static_cast<char>(0xBD);
    return o + 1;
}

// True for the second half of a surrogate pair.
inline bool isLowSurrogate(char16_t c) noexcept
{
    return (c & 0xFC00) == 0xDC00;
}

// Sixteen lanes set, then sixteen clear: from laneMasks + 16 - n, a mask of the first n lanes.
inline constexpr std::uint16_t laneMasks[32] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
                                                0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};

// The shuffle that packs the four slots of a group with the given key.
inline __m128i packShuffle(unsigned key) noexcept
{
    return _mm_load_si128(reinterpret_cast<const __m128i*>(packTable.shuffle[key]));
}

// The vector constants, through a pointer that the compiler cannot see through.
ZOLUTF_WIDE_TARGET inline __attribute__((always_inline)) const __m256i* constants() noexcept
{
    const __m256i* k = reinterpret_cast<const __m256i*>(constantTable.lanes);
    __asm__("" : "+r"(k));
    return k;
}

// Whether a block's first unit is to finish the surrogate pair that the block before it
// opened: 0 if not, else 3, the two mask bits of the pair's high half moved past the block.
using PairOpen = unsigned;

// Room that convertBlock needs at dst: for a whole block, and for one whose second eight
// units are all NUL.
constexpr std::size_t BLOCK_ROOM = UTF8Z_WIDE_ROOM;
constexpr std::size_t HALF_BLOCK_ROOM = 44;

// Converts the sixteen units u, none of them NUL and not all ASCII, where previous holds
// the eight units before them, writing up to BLOCK_ROOM bytes at dst; returns their number.
// pairOpen tells on entry that the first unit finishes the pair that the last block opened,
// and on return that this block opened one (see PairOpen).
ZOLUTF_BLOCK_LOADS ZOLUTF_WIDE_TARGET inline __attribute__((always_inline)) std::size_t
convertUnits(__m256i u, __m128i previous, char* dst, PairOpen& pairOpen, const __m256i* k) noexcept
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i oneByte = _mm256_cmpeq_epi16(_mm256_and_si256(u, k[FF80]), zero);
    const __m256i top5 = _mm256_and_si256(u, k[F800]);
    const __m256i upToTwo = _mm256_cmpeq_epi16(top5, zero);
    const __m256i halves = _mm256_cmpeq_epi16(top5, k[D800]);
    const auto oneMask = static_cast<unsigned>(_mm256_movemask_epi8(oneByte));
    auto twoMask = static_cast<unsigned>(_mm256_movemask_epi8(upToTwo));
    const auto halfMask = static_cast<unsigned>(_mm256_movemask_epi8(halves));

    __m256i pairHigh = zero;
    __m256i lowFix = zero;
    if (halfMask != 0) {
        const __m256i highs = _mm256_cmpeq_epi16(_mm256_and_si256(u, k[FC00]), k[D800]);
        const __m256i lows = _mm256_andnot_si256(highs, halves);
        const auto highMask = static_cast<unsigned>(_mm256_movemask_epi8(highs));
        const auto lowMask = static_cast<unsigned>(_mm256_movemask_epi8(lows));
        const __m256i before = _mm256_alignr_epi8(
            u, _mm256_inserti128_si256(_mm256_castsi128_si256(previous), _mm256_castsi256_si128(u), 1), 14);
        __m256i pairLow;
        if (((highMask << 2) | pairOpen) == lowMask) {
            // Every low half follows a high half: all are pairs.
            pairHigh = highs;
            pairLow = lows;
            twoMask |= halfMask;
        } else {
            // Each half against its neighbour; the unit after the last lane stands in as a
            // low half, leaving a high half there to the next block. A lone half becomes
            // U+FFFD, a three-byte character.
            const __m256i after = _mm256_alignr_epi8(_mm256_permute2x128_si256(u, k[DC00], 0x21), u, 2);
            pairHigh = _mm256_and_si256(highs, _mm256_cmpeq_epi16(_mm256_and_si256(after, k[FC00]), k[DC00]));
            pairLow = _mm256_and_si256(lows, _mm256_cmpeq_epi16(_mm256_and_si256(before, k[FC00]), k[D800]));
            const __m256i paired = _mm256_or_si256(pairHigh, pairLow);
            twoMask |= static_cast<unsigned>(_mm256_movemask_epi8(paired));
            u = _mm256_blendv_epi8(u, k[FFFD], _mm256_andnot_si256(paired, halves));
        }
        // A low half's first byte takes the high half's last two bits in place of its own
        // 0b11, which is where they differ.
        lowFix = _mm256_and_si256(pairLow, _mm256_andnot_si256(_mm256_slli_epi16(before, 12), k[x3000]));
        pairOpen = highMask >> 30;
    } else {
        pairOpen = 0;
    }

    // Per unit, bytes 0 and 1 of its slot: the ASCII byte and the last byte of a longer
    // character.
    __m256i last = _mm256_or_si256(_mm256_and_si256(_mm256_shuffle_epi8(u, k[DUP_LOW]), k[x3F7F]), k[x8000]);
    // Bytes 2 and 3: the lead of three bytes, then the lead of two or the middle of three.
    // (u >> 4) & 0xFFC multiplied bytewise by 0x40 and 1 swaps the two six-bit fields.
    __m256i leads =
        _mm256_or_si256(_mm256_maddubs_epi16(_mm256_and_si256(_mm256_srli_epi16(u, 4), k[x0FFC]), k[x0140]), k[xC0E0]);
    leads = _mm256_xor_si256(leads, _mm256_xor_si256(_mm256_andnot_si256(upToTwo, k[x4000]), lowFix));
    if (halfMask != 0) {
        // The high half of a pair: F0 | plane >> 2, then 80 | the plane's low bits and four
        // more, where the plane is the unit's bits 6-9 plus one.
        const __m256i plane = _mm256_add_epi16(u, k[x0040]);
        leads = _mm256_blendv_epi8(leads, _mm256_or_si256(_mm256_and_si256(plane, k[x0700]), k[xF000]), pairHigh);
        last = _mm256_blendv_epi8(
            last, _mm256_or_si256(_mm256_and_si256(_mm256_slli_epi16(plane, 6), k[x3F00]), k[x8000]), pairHigh);
    }

    // The pack keys of groups 0-3 (units 4g to 4g + 3) in bits 8g to 8g + 7.
    const unsigned keys = (oneMask & 0x55555555u) | (twoMask & 0xAAAAAAAAu);
    const unsigned key0 = keys & 0xFF;
    const unsigned key1 = (keys >> 8) & 0xFF;
    const unsigned key2 = (keys >> 16) & 0xFF;
    const unsigned key3 = keys >> 24;
    // Groups 0 and 2 in one register, 1 and 3 in the other.
    const __m256i even =
        _mm256_shuffle_epi8(_mm256_unpacklo_epi16(last, leads),
                            _mm256_inserti128_si256(_mm256_castsi128_si256(packShuffle(key0)), packShuffle(key2), 1));
    const __m256i odd =
        _mm256_shuffle_epi8(_mm256_unpackhi_epi16(last, leads),
                            _mm256_inserti128_si256(_mm256_castsi128_si256(packShuffle(key1)), packShuffle(key3), 1));
    const std::size_t length0 = packTable.shuffle[key0][PACKED_LENGTH] - 0x80u;
    const std::size_t length01 = length0 + packTable.shuffle[key1][PACKED_LENGTH] - 0x80u;
    const std::size_t length012 = length01 + packTable.shuffle[key2][PACKED_LENGTH] - 0x80u;
    // In order: each store's bytes past its group are overwritten by the next.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm256_castsi256_si128(even));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + length0), _mm256_castsi256_si128(odd));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + length01), _mm256_extracti128_si256(even, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + length012), _mm256_extracti128_si256(odd, 1));
    return length012 + packTable.shuffle[key3][PACKED_LENGTH] - 0x80u;
}

// As convertUnits for any sixteen units: up to a NUL, where count is set to the units
// converted (16 unless a NUL ends the text), and with HALF_BLOCK_ROOM bytes at dst when the
// last eight are NUL.
ZOLUTF_BLOCK_LOADS ZOLUTF_WIDE_TARGET inline __attribute__((always_inline)) std::size_t
convertBlock(__m256i u, __m128i previous, char* dst, std::size_t& count, PairOpen& pairOpen, const __m256i* k) noexcept
{
    // Lanes past a NUL may hold anything, even memory never written, so they are cleared
    // first: each then writes a NUL byte after the text, which is not counted.
    const auto nul = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(u, _mm256_setzero_si256())));
    count = 16;
    if (nul != 0) {
        count = static_cast<unsigned>(__builtin_ctz(nul)) / 2;
        u = _mm256_and_si256(u, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(laneMasks + 16 - count)));
    }
    if (_mm256_testz_si256(u, k[FF80])) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                         _mm_packus_epi16(_mm256_castsi256_si128(u), _mm256_extracti128_si256(u, 1)));
        pairOpen = 0;
        return count;
    }
    return convertUnits(u, previous, dst, pairOpen, k) - (16 - count);
}

} // namespace detail

// Where utf16zToUtf8WideStart stopped, with what a block converter carries on from.
struct WideProgress {
    Progress progress;
    __m128i previous;          // the eight units before progress.text
    detail::PairOpen pairOpen; // the unit at progress.text finishes a pair already begun
};

// Carries on from asciiStart, which found ascii units and then, unless they were 32, a
// unit that is not ASCII, in an output buffer of 64 bytes, for a text that does not end
// within the 8-unit block holding that unit (see endsInBlock). A text that ends within
// sixteen units from that block, when it starts at unit 0 or 8, is converted straight
// through and NUL-terminated. Otherwise returns where utf16zToUtf8WideBody (with outEnd at
// out + 64) is to carry on.
ZOLUTF_WIDE_BLOCK_READER ZOLUTF_WIDE_TARGET inline WideProgress utf16zToUtf8WideStart(const char16_t* text, char* out,
                                                                                      std::size_t ascii) noexcept
{
    const std::size_t at = ascii & ~std::size_t{7};
    const __m128i units = _mm_load_si128(reinterpret_cast<const __m128i*>(text + at));
    const __m128i previous =
        at == 0 ? _mm_setzero_si128() : _mm_load_si128(reinterpret_cast<const __m128i*>(text + at - 8));
    if (at > 8)
        return WideProgress{Progress{text + at, out + at, false}, previous, 0};
    // One block of sixteen, which fits the buffer however it turns out.
    static_assert(8 + detail::BLOCK_ROOM <= 64, "a start block fits");
    const __m128i next = _mm_load_si128(reinterpret_cast<const __m128i*>(text + at + 8));
    std::size_t count;
    detail::PairOpen pairOpen = 0;
    char* const o = out + at +
                    detail::convertBlock(_mm256_inserti128_si256(_mm256_castsi128_si256(units), next, 1), previous,
                                         out + at, count, pairOpen, detail::constants());
    if (count != 16)
        *o = '\0';
    return WideProgress{Progress{text + at + count, o, count != 16}, next, pairOpen};
}

// The body of utf16zToUtf8Wide, for callers compiled for the same instruction set, carrying
// on from a block converter's state where utf16zToUtf8WideStart left it.
ZOLUTF_WIDE_BLOCK_READER ZOLUTF_WIDE_TARGET inline Progress utf16zToUtf8WideBody(const char16_t* text, char* out,
                                                                                 const char* outEnd,
                                                                                 __m128i previous = _mm_setzero_si128(),
                                                                                 detail::PairOpen pairOpen = 0) noexcept
{
    const char16_t* p = text;
    char* o = out;
    const __m256i* const k = detail::constants();
    if ((reinterpret_cast<std::uintptr_t>(p) & 15) != 0) {
        // One unit at a time to the first block boundary. A high surrogate's partner is
        // always readable: at worst it is the NUL.
        const char* const last = outEnd - UTF8Z_ROOM;
        if (o > last)
            return Progress{p, o, false};
        do {
            const char16_t c = *p;
            if (c < 0x80) {
                if (c == 0)
                    return Progress{p, o, true};
                *o++ = static_cast<char>(c);
                ++p;
            } else {
                o = detail::putNonAsciiRoomy(p, o);
            }
            if (o > last)
                return Progress{p, o, false};
        } while ((reinterpret_cast<std::uintptr_t>(p) & 15) != 0);
    }
    for (;;) {
        if (pairOpen && !detail::isLowSurrogate(*p)) {
            o = detail::fixLoneHigh(o);
            pairOpen = 0;
        }
        const auto room = static_cast<std::size_t>(outEnd - o);
        const __m128i units = _mm_load_si128(reinterpret_cast<const __m128i*>(p));
        // The next eight units only when these hold no NUL, as in utf16zToUtf8WideStart.
        __m128i next = _mm_setzero_si128();
        std::size_t need = detail::HALF_BLOCK_ROOM;
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(units, _mm_setzero_si128())) == 0) {
            next = _mm_load_si128(reinterpret_cast<const __m128i*>(p + 8));
            need = detail::BLOCK_ROOM;
            if (room >= detail::BLOCK_ROOM) {
                // Sixteen ASCII units other than NUL are copied straight through; the narrowed
                // bytes tell both at once.
                const __m128i bytes = _mm_packus_epi16(units, next);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o), bytes);
                const unsigned stop = detail::stopMask(bytes);
                if (stop == 0) {
                    p += 16;
                    o += 16;
                    previous = next;
                    continue;
                }
                if (_mm_movemask_epi8(_mm_cmpeq_epi16(next, _mm_setzero_si128())) == 0) {
                    o += detail::convertUnits(_mm256_inserti128_si256(_mm256_castsi128_si256(units), next, 1), previous,
                                              o, pairOpen, k);
                    p += 16;
                    previous = next;
                    continue;
                }
                // ASCII up to a NUL ends the text.
                const auto ascii = static_cast<unsigned>(__builtin_ctz(stop));
                if (p[ascii] == 0)
                    return Progress{p + ascii, o + ascii, true};
            }
        } else if (room >= detail::SHORT_ROOM) {
            // The text ends within these eight: so few units go faster one at a time.
            if (pairOpen)
                o = detail::finishPair(p, o);
            return detail::finishShort(p, o);
        }
        const __m256i block = _mm256_inserti128_si256(_mm256_castsi128_si256(units), next, 1);
        std::size_t count;
        if (room >= need) {
            o += detail::convertBlock(block, previous, o, count, pairOpen, k);
        } else {
            // Near the end of the buffer: convert aside and keep the block only if it fits
            // with its NUL, or with room to settle a pair that it leaves open.
            alignas(16) char aside[detail::BLOCK_ROOM];
            const detail::PairOpen wasOpen = pairOpen;
            const std::size_t n = detail::convertBlock(block, previous, aside, count, pairOpen, k);
            if (n + (pairOpen ? 3 : 1) > room) {
                if (wasOpen)
                    o = detail::finishPair(p, o);
                return Progress{p, o, false};
            }
            detail::copyShort(o, aside, n);
            o += n;
        }
        p += count;
        if (count != 16)
            return Progress{p, o, true};
        previous = next;
    }
}

#endif

} // namespace zolutf

#endif
