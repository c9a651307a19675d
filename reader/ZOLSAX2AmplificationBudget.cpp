#include "ZOLSAX2AmplificationBudget.h"

#include <cmath>

bool ZOLSAX2AmplificationBudget::Limit::exceeds(unsigned long long input, unsigned long long output) const noexcept
{
    const unsigned long long total = input + output;
    return total >= activation && static_cast<double>(total) > ratio * static_cast<double>(input);
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
    unmeasurable = false;
}

ZOLString ZOLSAX2AmplificationBudget::describe() const
{
    if (unmeasurable)
        return "entity expansion cannot be measured in this reader, so the document is refused";
    return "entity expansion and default attributes produced " + ZOLString(static_cast<long>(output)) +
           " characters from " + ZOLString(static_cast<long>(input)) +
           " bytes of input, more than the amplification limit allows";
}
