#ifndef ZOLUTF_H
#define ZOLUTF_H

// UTF-16 to UTF-8 conversion used by ZOLString. Internal to the foundation.

#include <cstddef>

namespace zolutf {

// Worst-case UTF-8 bytes for count UTF-16 units (a unit never needs more than three).
constexpr std::size_t maxUtf8Bytes(std::size_t count) { return count * 3; }

// Number of UTF-16 units before the terminating NUL.
std::size_t length16(const char16_t* text) noexcept;

// Writes count units of text as UTF-8 to out, which has room for maxUtf8Bytes(count);
// returns the number of bytes written. Unpaired surrogates become U+FFFD.
std::size_t utf16ToUtf8(const char16_t* text, std::size_t count, char* out) noexcept;

// Number of UTF-16 units that length bytes of UTF-8 need (invalid bytes count one each).
std::size_t utf16Units(const char* text, std::size_t length) noexcept;

// Writes length bytes of UTF-8 as UTF-16 to out, which has room for utf16Units(); returns
// the units written. Malformed sequences become U+FFFD, one per offending byte.
std::size_t utf8ToUtf16(const char* text, std::size_t length, char16_t* out) noexcept;

} // namespace zolutf

#endif
