#include "SystemError.h"

#include <cstring>

namespace zolsax2 {

namespace {

// strerror_r is the XSI form (an int) or the GNU form (the text) depending on the C library.
[[maybe_unused]] std::string describe(int result, const char* buffer)
{
    return result == 0 ? buffer : "unknown error";
}
[[maybe_unused]] std::string describe(const char* text, const char*)
{
    return text;
}

} // namespace

std::string SystemError::reason(int error)
{
    char buffer[256] = "";
    return describe(strerror_r(error, buffer, sizeof buffer), buffer);
}

} // namespace zolsax2
