#ifndef ZOLSAX2_TOOLS_SYSTEMERROR_H
#define ZOLSAX2_TOOLS_SYSTEMERROR_H

#include <string>

namespace zolsax2 {

// The system's text for an errno value, as the tool prints it after "cannot read: ".
class SystemError {
public:
    // strerror_r's text for error (thread-safe, unlike strerror).
    static std::string reason(int error);
};

} // namespace zolsax2

#endif
