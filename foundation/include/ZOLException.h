#ifndef ZOLEXCEPTION_H
#define ZOLEXCEPTION_H

#include "ZOLStdExport.h"
#include "ZOLString.h"

// The suite's one exception type, thrown by value and caught as ZOLException.
// It has no base class on purpose: suite code never catches it as std::exception.
class ZOLSTD_API ZOLException {
public:
    // An exception carrying the whole message.
    explicit ZOLException(const ZOLString& message);
    // A copy of other.
    ZOLException(const ZOLException& other);
    // Copies other into this one.
    ZOLException& operator=(const ZOLException& other);
    virtual ~ZOLException();

    // The message given at construction.
    const ZOLString& getMessage() const noexcept { return message; }

private:
    ZOLString message;
};

#endif
