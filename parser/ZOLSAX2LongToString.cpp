#include "ZOLSAX2LongToString.h"

ZOLString longToString(long value)
{
    return ZOLString(value);
}
