#include "Escape.h"

namespace zolsax2 {

namespace {

// The length of the valid UTF-8 sequence at input[at], or 0 when its bytes are not one.
std::size_t sequenceLength(std::string_view input, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(input[i]); };
    const unsigned char lead = byte(at);
    std::size_t length;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        // No overlong forms below U+0800 and no UTF-16 surrogates.
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        // No overlong forms below U+10000 and nothing above U+10FFFF.
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (input.size() - at < length || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    }
    return length;
}

// True for the sequence of length bytes at input[at] when it is one of the characters that
// change how a terminal shows the text around them without being seen: the bidirectional
// marks, embeddings, overrides and isolates (U+061C, U+200E, U+200F, U+202A to U+202E,
// U+2066 to U+2069), which can make a line read in another order than it is written, and
// the line and paragraph separators (U+2028, U+2029), which some terminals and editors
// break lines at.
bool isInvisibleFormatting(std::string_view input, std::size_t at, std::size_t length)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(input[at + i]); };
    if (length == 2)
        return byte(0) == 0xD8 && byte(1) == 0x9C;
    if (length != 3 || byte(0) != 0xE2)
        return false;
    if (byte(1) == 0x80)
        return byte(2) == 0x8E || byte(2) == 0x8F || (byte(2) >= 0xA8 && byte(2) <= 0xAE);
    return byte(1) == 0x81 && byte(2) >= 0xA6 && byte(2) <= 0xA9;
}

void appendHex(std::string& out, unsigned char byte)
{
    static const char digits[] = "0123456789abcdef";
    out += "\\x";
    out += digits[byte >> 4];
    out += digits[byte & 0x0F];
}

} // namespace

void Escape::append(std::string& out, std::string_view input, Backslash backslash)
{
    out.reserve(out.size() + input.size());
    std::size_t plain = 0; // start of the bytes not yet copied
    std::size_t i = 0;
    const auto flush = [&]() { out.append(input.data() + plain, i - plain); };
    while (i < input.size()) {
        const auto c = static_cast<unsigned char>(input[i]);
        if (c >= 0x20 && c < 0x7F && (c != '\\' || backslash == KEEP)) {
            ++i;
            continue;
        }
        const std::size_t length = c < 0x80 ? 1 : sequenceLength(input, i);
        // C1 controls are U+0080 to U+009F: C2 80 to C2 9F.
        const bool control =
            c < 0x20 || c == 0x7F || (length == 2 && c == 0xC2 && static_cast<unsigned char>(input[i + 1]) < 0xA0);
        if (length > 1 && !control && !isInvisibleFormatting(input, i, length)) {
            i += length;
            continue;
        }
        flush();
        const std::size_t bytes = length == 0 ? 1 : length;
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            for (std::size_t k = 0; k < bytes; ++k)
                appendHex(out, static_cast<unsigned char>(input[i + k]));
        }
        i += bytes;
        plain = i;
    }
    flush();
}

bool Escape::isUtf8(std::string_view input)
{
    for (std::size_t i = 0; i < input.size();) {
        const std::size_t length = sequenceLength(input, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

} // namespace zolsax2
