#include "ZOLParameterizedTextLiteral.h"

namespace {

struct ParameterSet {
    ZOLString values[ZOLParameterizedTextLiteral::MAX_PARAMETERS];
    bool isSet[ZOLParameterizedTextLiteral::MAX_PARAMETERS] = {};
};

} // namespace

ZOLParameterizedTextLiteral::ZOLParameterizedTextLiteral(const ZOLString& id, const ZOLString& text)
    : ZOLTextLiteral(id, text)
{}

ZOLParameterizedTextLiteral::ZOLParameterizedTextLiteral(const ZOLParameterizedTextLiteral& other) = default;

ZOLParameterizedTextLiteral& ZOLParameterizedTextLiteral::operator=(const ZOLParameterizedTextLiteral& other) = default;

ZOLParameterizedTextLiteral::~ZOLParameterizedTextLiteral() = default;

void* ZOLParameterizedTextLiteral::prapareForParameters() const
{
    return new ParameterSet;
}

void ZOLParameterizedTextLiteral::setParameterValue(void* handle, int index, const ZOLString& value) const
{
    if (handle == nullptr || index < 0 || index >= MAX_PARAMETERS)
        return;
    auto* set = static_cast<ParameterSet*>(handle);
    set->values[index] = value;
    set->isSet[index] = true;
}

ZOLString ZOLParameterizedTextLiteral::createParametrizedText(void* handle) const
{
    auto* set = static_cast<ParameterSet*>(handle);
    const char* t = text.chars();
    const std::size_t n = text.length();
    ZOLString result;
    std::size_t copiedUpTo = 0;
    for (std::size_t i = 0; i + 2 < n; ++i) {
        if (t[i] != '{' || t[i + 1] < '0' || t[i + 1] > '9' || t[i + 2] != '}')
            continue;
        const int index = t[i + 1] - '0';
        if (set == nullptr || !set->isSet[index])
            continue;
        result += text.mid(copiedUpTo, i - copiedUpTo);
        result += set->values[index];
        copiedUpTo = i + 3;
        i += 2;
    }
    result += text.mid(copiedUpTo, n - copiedUpTo);
    delete set;
    return result;
}
