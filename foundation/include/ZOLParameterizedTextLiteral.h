#ifndef ZOLPARAMETERIZEDTEXTLITERAL_H
#define ZOLPARAMETERIZEDTEXTLITERAL_H

#include "ZOLStdExport.h"
#include "ZOLTextLiteral.h"

// A text literal with numbered placeholders {0} to {9}.
//
// Formatting is a three-step protocol so each call owns its own parameter set:
// prapareForParameters() gives a handle, setParameterValue() fills it, and
// createParametrizedText() formats the text and frees the handle. A placeholder
// whose value was never set stays in the text as written; text in braces that is
// not a single digit is copied unchanged.
class ZOLSTD_API ZOLParameterizedTextLiteral : public ZOLTextLiteral {
public:
    // Highest number of parameters a text can take.
    static constexpr int MAX_PARAMETERS = 10;

    // A literal with its identifier and its text with placeholders.
    ZOLParameterizedTextLiteral(const ZOLString& id, const ZOLString& text);
    // A copy of other.
    ZOLParameterizedTextLiteral(const ZOLParameterizedTextLiteral& other);
    // Copies other into this one.
    ZOLParameterizedTextLiteral& operator=(const ZOLParameterizedTextLiteral& other);
    ~ZOLParameterizedTextLiteral() override;

    // A new, empty parameter set; pass it to createParametrizedText exactly once.
    void* prapareForParameters() const;
    // Sets parameter index (0 to 9) of the set; other indexes are ignored.
    void setParameterValue(void* handle, int index, const ZOLString& value) const;
    // The text with its placeholders replaced; takes over and frees the set.
    ZOLString createParametrizedText(void* handle) const;
};

#endif
