#include "ZOLMessageLiteral.h"

#include "ZOLLogEvent.h"

ZOLMessageLiteral::ZOLMessageLiteral(const ZOLString& id, const ZOLString& text, const ZOLString& severity)
    : ZOLParameterizedTextLiteral(id, text), level(ZOLLogEvent::levelFromName(severity)), messageCode(id)
{}

ZOLMessageLiteral::ZOLMessageLiteral(const ZOLMessageLiteral& other) = default;

ZOLMessageLiteral& ZOLMessageLiteral::operator=(const ZOLMessageLiteral& other) = default;

ZOLMessageLiteral::~ZOLMessageLiteral() = default;
