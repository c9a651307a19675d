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
// The same for the block reader compiled for a newer instruction set, which is inlined only
// into callers compiled for that set too.
#if defined(ZOLUTF_ASAN)
#define ZOLUTF_WIDE_BLOCK_READER __attribute__((no_sanitize_address, noinline))
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

// Converts text up to its NUL in one pass, writing to out but never at or past outEnd,
// and stops early once fewer than UTF8Z_ROOM bytes are left. Bytes between the returned
// out and outEnd may have been overwritten. Unpaired surrogates become U+FFFD.
//
// Reads text in aligned 16-byte blocks, each holding at least one unit of the text: a
// block may extend past the NUL but never into a page the text does not reach.
inline Progress utf16zToUtf8(const char16_t* text, char* out, const char* outEnd) noexcept;

// Output room that utf16zToUtf8Wide needs to convert a block of text in one step.
constexpr std::size_t UTF8Z_WIDE_ROOM = 40;

// True when this processor runs utf16zToUtf8Wide (it needs AVX2).
bool haveWideConverter() noexcept;

// As utf16zToUtf8, but converting blocks of eight units of any kind (ASCII, two- and
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

// The start of utf16zToUtf8 for an output buffer of 32 bytes, where most names and texts
// end: ASCII text of up to 31 units that starts on a 16-byte boundary is converted
// straight through. Otherwise returns where utf16zToUtf8 (with outEnd at out + 32) is to
// carry on.
ZOLUTF_BLOCK_READER inline Progress utf16zToUtf8Head(const char16_t* text, char* out) noexcept
{
#if defined(__SSE2__)
    if ((reinterpret_cast<std::uintptr_t>(text) & 15) == 0) {
        std::size_t done = detail::asciiBlock(text, out);
        // A second block only after a first without NUL, as in asciiBlock.
        if (done == detail::BLOCK)
            done += detail::asciiBlock(text + detail::BLOCK, out + detail::BLOCK);
        if (done == 2 * detail::BLOCK)
            return Progress{text + done, out + done, false};
        if (text[done] == 0)
            return Progress{text + done, out + done, true};
        // Carry on from the start of the 8-unit block that stopped the ASCII run, so that a
        // block converter starts aligned; everything before it was copied byte for byte.
        done &= ~std::size_t{7};
        return Progress{text + done, out + done, false};
    }
#endif
    return Progress{text, out, false};
}

#if defined(ZOLUTF_WIDE)

namespace detail {

// Compaction of four 4-byte slots, each holding a character's UTF-8 bytes at its end, into
// consecutive bytes. The key has one bit per slot for "at most two bytes" (bits 0-3) and
// one for "at most one byte" (bits 4-7); the impossible "one byte but not two" means none.
struct PackTable {
    alignas(16) unsigned char shuffle[256][16];
    unsigned char length[256];
};

constexpr PackTable makePackTable()
{
    PackTable table{};
    for (unsigned key = 0; key < 256; ++key) {
        unsigned n = 0;
        for (unsigned slot = 0; slot < 4; ++slot) {
            const bool upToTwo = (key >> slot) & 1;
            const bool upToOne = (key >> (slot + 4)) & 1;
            const unsigned bytes = upToOne ? (upToTwo ? 1 : 0) : (upToTwo ? 2 : 3);
            for (unsigned b = 4 - bytes; b < 4; ++b)
                table.shuffle[key][n++] = static_cast<unsigned char>(4 * slot + b);
        }
        table.length[key] = static_cast<unsigned char>(n);
        while (n < 16)
            table.shuffle[key][n++] = 0x80;
    }
    return table;
}

inline constexpr PackTable packTable = makePackTable();

// The vector constants of the block converter, loaded through a pointer that the compiler
// cannot see through: otherwise it rebuilds each of them in the loop, three instructions
// apiece, where a load folds into the instruction that uses it.
enum Constant { F800, D800, FF80, x3F, x3F00, x8080, x40, x0F00, E000, FC00, DC00, FFFD, x30, x7, x80F0, CONSTANTS };

struct ConstantTable {
    alignas(16) std::uint16_t lanes[CONSTANTS][8];
};

constexpr ConstantTable makeConstantTable()
{
    constexpr std::uint16_t values[CONSTANTS] = {0xF800, 0xD800, 0xFF80, 0x3F,   0x3F00, 0x8080, 0x40,  0x0F00,
                                                 0xE000, 0xFC00, 0xDC00, 0xFFFD, 0x30,   0x7,    0x80F0};
    ConstantTable table{};
    for (unsigned i = 0; i < CONSTANTS; ++i)
        for (unsigned lane = 0; lane < 8; ++lane)
            table.lanes[i][lane] = values[i];
    return table;
}

inline constexpr ConstantTable constantTable = makeConstantTable();

// Copies n <= 24 bytes with fixed-size moves, overlapping where n is not a multiple of
// their size, rather than a call to memcpy.
inline void copyShort(char* out, const char* in, std::size_t n) noexcept
{
    if (n >= 8) {
        std::memcpy(out, in, 8);
        if (n > 16)
            std::memcpy(out + 8, in + 8, 8);
        std::memcpy(out + n - 8, in + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(out, in, 4);
        std::memcpy(out + n - 4, in + n - 4, 4);
    } else {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = in[i];
    }
}

// Converts the eight units u at p, where previous holds the eight before them, writing up
// to 28 bytes at dst. Returns the bytes that belong to the text, up to a NUL; sets count
// to the units converted (8 unless a NUL ends the text) and pairOpen when the last unit is
// the high half of a pair whose other half, in the next block, has yet to be written.
ZOLUTF_BLOCK_LOADS ZOLUTF_WIDE_TARGET inline __attribute__((always_inline)) std::size_t
convertBlock(__m128i u, __m128i previous, const char16_t* p, char* dst, std::size_t& count, bool& pairOpen,
             const __m128i* k) noexcept
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i nul = _mm_cmpeq_epi16(u, zero);
    const __m128i surrogate = _mm_cmpeq_epi16(_mm_and_si128(u, k[F800]), k[D800]);
    const auto special = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(nul, surrogate)));
    const __m128i upToOne = _mm_cmpeq_epi16(_mm_and_si128(u, k[FF80]), zero);
    const __m128i upToTwo = _mm_cmpeq_epi16(_mm_and_si128(u, k[F800]), zero);
    __m128i twoBytes = upToTwo;

    // Lanes past a NUL may hold anything, even memory never written: no decision rests on them.
    count = 8;
    unsigned lanes = 0xFF;
    if ((special & 0xFF) != 0) {
        count = static_cast<std::size_t>(__builtin_ctz(special));
        lanes = (1u << count) - 1;
    }
    const unsigned halves = (special >> 8) & lanes;

    // Per unit, bytes 2 and 3 of its slot: the last two UTF-8 bytes, or the only one.
    __m128i c = u;
    pairOpen = false;
    __m128i pairHigh = zero;
    __m128i pairLow = zero;
    if (halves != 0) {
        // A pair may straddle blocks: the next block is readable when this one has no NUL.
        const __m128i following = count != 8 ? zero : _mm_load_si128(reinterpret_cast<const __m128i*>(p + 8));
        const __m128i before = _mm_alignr_epi8(u, previous, 14);
        const __m128i after = _mm_alignr_epi8(following, u, 2);
        const __m128i highs = _mm_cmpeq_epi16(_mm_and_si128(u, k[FC00]), k[D800]);
        const __m128i lows = _mm_cmpeq_epi16(_mm_and_si128(u, k[FC00]), k[DC00]);
        pairHigh = _mm_and_si128(highs, _mm_cmpeq_epi16(_mm_and_si128(after, k[FC00]), k[DC00]));
        pairLow = _mm_and_si128(lows, _mm_cmpeq_epi16(_mm_and_si128(before, k[FC00]), k[D800]));
        const __m128i paired = _mm_or_si128(pairHigh, pairLow);
        // Each half of a pair writes two of its four bytes; a lone half becomes U+FFFD.
        twoBytes = _mm_or_si128(twoBytes, paired);
        c = _mm_blendv_epi8(c, k[FFFD], _mm_andnot_si128(paired, surrogate));
        pairOpen = count == 8 && (_mm_movemask_epi8(pairHigh) & 0x8000) != 0;
        // The low half's first byte takes the high half's last two bits.
        pairLow = _mm_and_si128(pairLow, _mm_xor_si128(k[x30], _mm_and_si128(_mm_slli_epi16(before, 4), k[x30])));
    }
    __m128i tail = _mm_or_si128(
        _mm_or_si128(_mm_and_si128(_mm_srli_epi16(c, 6), k[x3F]), _mm_and_si128(_mm_slli_epi16(c, 8), k[x3F00])),
        _mm_or_si128(k[x8080], _mm_and_si128(upToTwo, k[x40])));
    tail = _mm_blendv_epi8(tail, _mm_slli_epi16(c, 8), upToOne);
    if (halves != 0) {
        // The high half of a pair: F0 | plane >> 2, then the plane's low bits and four more.
        const __m128i plane = _mm_add_epi16(u, k[x40]);
        const __m128i highForm = _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_srli_epi16(plane, 8), k[x7]),
                                                           _mm_and_si128(_mm_slli_epi16(plane, 6), k[x3F00])),
                                              k[x80F0]);
        tail = _mm_blendv_epi8(tail, highForm, pairHigh);
        tail = _mm_xor_si128(tail, pairLow);
    }
    // Byte 1: the lead byte of a three-byte character.
    const __m128i lead = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(c, 4), k[x0F00]), k[E000]);

    // The pack keys of slots 0-3 in bits 0-7 and of slots 4-7 in bits 8-15.
    auto keys = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_shuffle_epi32(_mm_packs_epi16(twoBytes, upToOne), _MM_SHUFFLE(3, 1, 2, 0))));
    if (count != 8) {
        // Nothing from the NUL on.
        const unsigned after = 0xFFu << count;
        const unsigned slots = (after & 0xF) | ((after & 0xF0) << 4);
        keys = (keys & ~slots) | (slots << 4);
    }
    const unsigned keyLow = keys & 0xFF;
    const unsigned keyHigh = (keys >> 8) & 0xFF;
    const std::size_t lengthLow = packTable.length[keyLow];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                     _mm_shuffle_epi8(_mm_unpacklo_epi16(lead, tail),
                                      _mm_load_si128(reinterpret_cast<const __m128i*>(packTable.shuffle[keyLow]))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + lengthLow),
                     _mm_shuffle_epi8(_mm_unpackhi_epi16(lead, tail),
                                      _mm_load_si128(reinterpret_cast<const __m128i*>(packTable.shuffle[keyHigh]))));
    return lengthLow + packTable.length[keyHigh];
}

} // namespace detail

// The body of utf16zToUtf8Wide, for callers compiled for the same instruction set.
ZOLUTF_WIDE_BLOCK_READER ZOLUTF_WIDE_TARGET inline Progress utf16zToUtf8WideBody(const char16_t* text, char* out,
                                                                                 const char* outEnd) noexcept
{
    const char16_t* p = text;
    char* o = out;
    const __m128i* k = reinterpret_cast<const __m128i*>(detail::constantTable.lanes);
    __asm__("" : "+r"(k));
    // The block before the current one, for a low surrogate at the start of the current one.
    __m128i previous = _mm_setzero_si128();
    bool pairOpen = false;
    for (;;) {
        const auto room = static_cast<std::size_t>(outEnd - o);
        if ((reinterpret_cast<std::uintptr_t>(p) & 15) != 0) {
            // One unit at a time to the next block boundary (only text that did not start
            // on one). A high surrogate's partner is always readable: at worst it is the NUL.
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
            continue;
        }
        const __m128i u = _mm_load_si128(reinterpret_cast<const __m128i*>(p));
        std::size_t count;
        bool open;
        if (room >= 16) {
            // ASCII is copied straight through, sixteen units at a time where the first
            // eight are ASCII without a NUL (which makes the next block readable).
            const __m128i narrow = _mm_packus_epi16(u, u);
            const unsigned stop = detail::stopMask(narrow);
            if (stop == 0) {
                const __m128i next = _mm_load_si128(reinterpret_cast<const __m128i*>(p + 8));
                const __m128i bytes = _mm_packus_epi16(u, next);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o), bytes);
                const unsigned stop16 = detail::stopMask(bytes);
                if (stop16 == 0) {
                    p += 16;
                    o += 16;
                    previous = next;
                    pairOpen = false;
                    continue;
                }
                const auto ascii = static_cast<unsigned>(__builtin_ctz(stop16));
                if (p[ascii] == 0)
                    return Progress{p + ascii, o + ascii, true};
                p += 8;
                o += 8;
                previous = u;
                pairOpen = false;
                continue;
            }
            const auto ascii = static_cast<unsigned>(__builtin_ctz(stop));
            if (p[ascii] == 0) {
                _mm_storel_epi64(reinterpret_cast<__m128i*>(o), narrow);
                return Progress{p + ascii, o + ascii, true};
            }
        }
        if (room >= UTF8Z_WIDE_ROOM) {
            o += detail::convertBlock(u, previous, p, o, count, open, k);
        } else {
            // Near the end of the buffer: convert aside and keep the block only if it fits
            // with its NUL, or with room to finish a pair that it leaves open.
            alignas(16) char block[32];
            const std::size_t n = detail::convertBlock(u, previous, p, block, count, open, k);
            if (n + (open ? 3 : 1) > room) {
                if (pairOpen) {
                    // Finish the pair whose first two bytes the last block wrote.
                    const unsigned high = p[-1];
                    const unsigned low = p[0];
                    o[0] = static_cast<char>(0x80 | ((high & 3) << 4) | ((low >> 6) & 0xF));
                    o[1] = static_cast<char>(0x80 | (low & 0x3F));
                    o += 2;
                    ++p;
                }
                return Progress{p, o, false};
            }
            detail::copyShort(o, block, n);
            o += n;
        }
        p += count;
        if (count != 8)
            return Progress{p, o, true};
        previous = u;
        pairOpen = open;
    }
}

#endif

} // namespace zolutf

#endif
