#ifndef ZOLMESSAGELITERAL_H
#define ZOLMESSAGELITERAL_H

#include "ZOLParameterizedTextLiteral.h"
#include "ZOLStdExport.h"

// A parameterised text that is a message: it also has a severity level and a message code.
//
// The level comes from the severity name through ZOLLogEvent::levelFromName ("WARNING",
// "ERROR", "FATAL", "INFO"; any other name gives ZOLLogEvent::LEVEL_UNKNOWN). The code
// starts out as the identifier; a catalogue assigns its own format to messageCode.
class ZOLSTD_API ZOLMessageLiteral : public ZOLParameterizedTextLiteral {
public:
    // A message with its identifier, its text and its severity name.
    ZOLMessageLiteral(const ZOLString& id, const ZOLString& text, const ZOLString& severity);
    // Copies carry the level and the message code.
    ZOLMessageLiteral(const ZOLMessageLiteral& other);
    // Copies other into this one.
    ZOLMessageLiteral& operator=(const ZOLMessageLiteral& other);
    ~ZOLMessageLiteral() override;

    // The severity level (ZOLLogEvent::Level).
    int getLevel() const noexcept { return level; }
    // The message code, such as ZSAX_F0005.
    const ZOLString& getMessageCode() const noexcept { return messageCode; }

protected:
    // The severity level (ZOLLogEvent::Level).
    int level;
    // The message code, such as ZSAX_F0005.
    ZOLString messageCode;
};

#endif
