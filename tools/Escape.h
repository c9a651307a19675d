#ifndef ZOLSAX2_TOOLS_ESCAPE_H
#define ZOLSAX2_TOOLS_ESCAPE_H

#include <string>
#include <string_view>

namespace zolsax2 {

// The escapes of everything zolsax2 writes, so that no control character reaches a terminal
// raw and no name or text can start a line of its own. Tab, newline and carriage return
// become \t \n \r; the other C0 controls, DEL, the C1 controls (U+0080 to U+009F, two bytes
// in UTF-8), the invisible characters that reorder or break a line on some terminals (the
// bidirectional controls, U+2028 and U+2029) and every byte that is not part of valid UTF-8
// become \xNN, one per byte. Other UTF-8 is kept as it is.
class Escape {
public:
    // How a backslash of the input is written.
    enum Backslash { KEEP, DOUBLE };

    // Diagnostics and file names: a backslash stays, so messages quoting regular
    // expressions stay readable.
    static std::string text(std::string_view input) { return escaped(input, KEEP); }
    // Event fields: a backslash is doubled, so a field decodes to exactly the parser's bytes.
    static std::string field(std::string_view input) { return escaped(input, DOUBLE); }
    // Appends the escaped input to out.
    static void append(std::string& out, std::string_view input, Backslash backslash);
    // True when input is valid UTF-8 (no overlong forms, surrogates or values above U+10FFFF).
    static bool isUtf8(std::string_view input);

private:
    static std::string escaped(std::string_view input, Backslash backslash)
    {
        std::string out;
        append(out, input, backslash);
        return out;
    }
};

} // namespace zolsax2

#endif
