#ifndef ZOLSAX2LONGTOSTRING_H
#define ZOLSAX2LONGTOSTRING_H

#include <ZOLString.h>

// A number as its decimal text, for line and column numbers.
ZOLString longToString(long value);

#endif
