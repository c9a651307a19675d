#include "ZOLSAX2SchemaPairs.h"

void ZOLSAX2SchemaPairs::set(const ZOLString& targetNamespace, const ZOLString& location)
{
    for (Pair& pair : pairs) {
        if (pair.targetNamespace == targetNamespace) {
            pair.location = location;
            return;
        }
    }
    pairs.push_back(Pair{targetNamespace, location});
}

bool ZOLSAX2SchemaPairs::covers(const ZOLString& targetNamespace) const
{
    for (const Pair& pair : pairs)
        if (pair.targetNamespace == targetNamespace)
            return true;
    return false;
}

ZOLString ZOLSAX2SchemaPairs::text() const
{
    ZOLString all;
    for (const Pair& pair : pairs) {
        if (!all.isEmpty())
            all.add(" ", static_cast<const char*>(nullptr));
        all.add(pair.targetNamespace.chars(), " ", pair.location.chars(), static_cast<const char*>(nullptr));
    }
    return all;
}
