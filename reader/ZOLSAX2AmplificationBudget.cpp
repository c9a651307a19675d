#include "ZOLSAX2AmplificationBudget.h"

#include <cmath>

bool ZOLSAX2AmplificationBudget::Limit::exceeds(unsigned long long input, unsigned long long output,
                                                unsigned long long expansions) const noexcept
{
    if (output > cap)
        return true;
    const unsigned long long total = input + output + expansions * EXPANSION_OVERHEAD;
    return total >= activation && static_cast<double>(total) > ratio * static_cast<double>(input);
}

bool ZOLSAX2AmplificationBudget::Limit::exceedsBlock(unsigned long long bytes) const noexcept
{
    // Two bytes per character, without overflow for a cap near ULLONG_MAX.
    return bytes / 2 > cap;
}

bool ZOLSAX2AmplificationBudget::refuseBlock(unsigned long long bytes) noexcept
{
    if (!current.exceedsBlock(bytes))
        return false;
    if (oversizeBlock == 0)
        oversizeBlock = bytes;
    return true;
}

bool ZOLSAX2AmplificationBudget::setLimit(double ratio, unsigned long long activationBytes) noexcept
{
    if (std::isnan(ratio) || ratio < 1.0)
        return false;
    next.ratio = ratio;
    next.activation = activationBytes;
    return true;
}

void ZOLSAX2AmplificationBudget::start() noexcept
{
    current = next;
    input = 0;
    output = 0;
    expansions = 0;
    oversizeBlock = 0;
    unmeasurable = false;
}

ZOLString ZOLSAX2AmplificationBudget::describe() const
{
    if (unmeasurable)
        return "entity expansion cannot be measured in this reader, so the document is refused";
    const ZOLString cap = " (a cap of " + ZOLString(static_cast<long>(current.cap)) + " characters)";
    if (oversizeBlock != 0)
        return "one value of the document needs a buffer of " + ZOLString(static_cast<long>(oversizeBlock)) +
               " bytes, more than the amplification limit allows" + cap;
    if (output > current.cap)
        return "entity expansion and default attributes produced " + ZOLString(static_cast<long>(output)) +
               " characters, more than the amplification limit allows" + cap;
    return "entity expansion and default attributes produced " + ZOLString(static_cast<long>(output)) +
           " characters from " + ZOLString(static_cast<long>(input)) +
           " bytes of input, more than the amplification limit allows";
}
