#ifndef ZOLTEXTLITERAL_H
#define ZOLTEXTLITERAL_H

#include "ZOLStdExport.h"
#include "ZOLString.h"

// An element of a document in the suite's own markup; this foundation never builds one.
class ZOLDOMElement;

// A text of the suite named by an identifier, such as one message of a catalogue.
class ZOLSTD_API ZOLTextLiteral {
public:
    // A literal with its identifier and its text.
    ZOLTextLiteral(const ZOLString& id, const ZOLString& text);
    // A copy of other.
    ZOLTextLiteral(const ZOLTextLiteral& other);
    // Copies other into this one.
    ZOLTextLiteral& operator=(const ZOLTextLiteral& other);
    virtual ~ZOLTextLiteral();

    // Replaces the text, for instance with a translation; this foundation ignores element.
    virtual void update(const ZOLString& text, const ZOLDOMElement* element);

    // The identifier, unique within its collection.
    const ZOLString& getId() const noexcept { return id; }
    // The text, with any placeholders still in it.
    const ZOLString& getText() const noexcept { return text; }

protected:
    // The identifier, such as "5".
    ZOLString id;
    // The text, with its {0} placeholders when it has any.
    ZOLString text;
};

#endif
