#include "ZOLSAX2ParseStop.h"

// Out of line and cold, so the check after each callback stays one test and a branch.
__attribute__((noinline, cold)) void ZOLSAX2ParseStop::raise()
{
    throw Stopped();
}
