#include "ZOLTextLiteral.h"

ZOLTextLiteral::ZOLTextLiteral(const ZOLString& id, const ZOLString& text) : id(id), text(text) {}

ZOLTextLiteral::ZOLTextLiteral(const ZOLTextLiteral& other) = default;

ZOLTextLiteral& ZOLTextLiteral::operator=(const ZOLTextLiteral& other) = default;

ZOLTextLiteral::~ZOLTextLiteral() = default;

void ZOLTextLiteral::update(const ZOLString& newText, const ZOLDOMElement*)
{
    text = newText;
}
