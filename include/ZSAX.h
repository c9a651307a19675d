#ifndef ZSAX_H
#define ZSAX_H

#include "ZOLSAX2ParserExport.h"

#include <ZOLLog.h>
#include <ZOLMessageLiteral.h>
#include <ZOLString.h>
#include <ZOLTextLiteralsCollection.h>

class ZOLLogLocation;
class ZOLTextLiteral;

// The message catalogue of ZOLSAX2Parser: six numbered messages through which the
// library logs every problem and throws every failure, e.g.
//     ZSAX::XML_PARSE_FAILED.throwException(path);
// Codes are "ZSAX_", the severity's initial and the identifier padded to four digits.
// The messages are built when the library is loaded and registered once with the
// foundation under the document identifier "ZOLSAX2Parser".
class ZOLSAX2PARSER_API ZSAX : public ZOLTextLiteralsCollection {
public:
    // A message without parameters.
    class ZOLSAX2PARSER_API MessageInstance : public ZOLMessageLiteral {
    public:
        // A message with its identifier, its text and its severity name; builds the code.
        MessageInstance(const ZOLString& id, const ZOLString& text, const ZOLString& severity);
        // A copy of other.
        MessageInstance(const MessageInstance& other);
        // Copies other into this one.
        MessageInstance& operator=(const MessageInstance& other);
        ~MessageInstance() override;
        // The text as written; placeholders are not substituted.
        ZOLString toString();
        // Hands one event with the text, the code and the level to target.
        void log(ZOLLog& target);
        // As log(), with where the problem was found attached to the event.
        void logAt(ZOLLog& target, const ZOLLogLocation& location);
        // "[CODE] " followed by the text.
        ZOLString getMessage();
        // Throws a ZOLException carrying getMessage().
        [[noreturn]] void throwException();
    };

    // A message with one parameter, {0}.
    class ZOLSAX2PARSER_API MessageInstance_String : public ZOLMessageLiteral {
    public:
        // A message with its identifier, its text and its severity name; builds the code.
        MessageInstance_String(const ZOLString& id, const ZOLString& text, const ZOLString& severity);
        // A copy of other.
        MessageInstance_String(const MessageInstance_String& other);
        // Copies other into this one.
        MessageInstance_String& operator=(const MessageInstance_String& other);
        ~MessageInstance_String() override;
        // The text with {0} replaced.
        ZOLString toString(const ZOLString& p0);
        // Hands one event with the formatted text, the code and the level to target.
        void log(ZOLLog& target, const ZOLString& p0);
        // As log(), with where the problem was found attached to the event.
        void logAt(ZOLLog& target, const ZOLLogLocation& location, const ZOLString& p0);
        // "[CODE] " followed by the formatted text.
        ZOLString getMessage(const ZOLString& p0);
        // Throws a ZOLException carrying getMessage(p0).
        [[noreturn]] void throwException(const ZOLString& p0);
    };

    // A message with two parameters, {0} and {1}.
    class ZOLSAX2PARSER_API MessageInstance_String_String : public ZOLMessageLiteral {
    public:
        // A message with its identifier, its text and its severity name; builds the code.
        MessageInstance_String_String(const ZOLString& id, const ZOLString& text, const ZOLString& severity);
        // A copy of other.
        MessageInstance_String_String(const MessageInstance_String_String& other);
        // Copies other into this one.
        MessageInstance_String_String& operator=(const MessageInstance_String_String& other);
        ~MessageInstance_String_String() override;
        // The text with {0} and {1} replaced.
        ZOLString toString(const ZOLString& p0, const ZOLString& p1);
        // Hands one event with the formatted text, the code and the level to target.
        void log(ZOLLog& target, const ZOLString& p0, const ZOLString& p1);
        // As log(), with where the problem was found attached to the event.
        void logAt(ZOLLog& target, const ZOLLogLocation& location, const ZOLString& p0, const ZOLString& p1);
        // "[CODE] " followed by the formatted text.
        ZOLString getMessage(const ZOLString& p0, const ZOLString& p1);
        // Throws a ZOLException carrying getMessage(p0, p1).
        [[noreturn]] void throwException(const ZOLString& p0, const ZOLString& p1);
    };

    // A message with three parameters, {0}, {1} and {2}.
    class ZOLSAX2PARSER_API MessageInstance_String_String_String : public ZOLMessageLiteral {
    public:
        // A message with its identifier, its text and its severity name; builds the code.
        MessageInstance_String_String_String(const ZOLString& id, const ZOLString& text, const ZOLString& severity);
        // A copy of other.
        MessageInstance_String_String_String(const MessageInstance_String_String_String& other);
        // Copies other into this one.
        MessageInstance_String_String_String& operator=(const MessageInstance_String_String_String& other);
        ~MessageInstance_String_String_String() override;
        // The text with {0}, {1} and {2} replaced.
        ZOLString toString(const ZOLString& p0, const ZOLString& p1, const ZOLString& p2);
        // Hands one event with the formatted text, the code and the level to target.
        void log(ZOLLog& target, const ZOLString& p0, const ZOLString& p1, const ZOLString& p2);
        // As log(), with where the problem was found attached to the event.
        void logAt(ZOLLog& target, const ZOLLogLocation& location, const ZOLString& p0, const ZOLString& p1,
                   const ZOLString& p2);
        // "[CODE] " followed by the formatted text.
        ZOLString getMessage(const ZOLString& p0, const ZOLString& p1, const ZOLString& p2);
        // Throws a ZOLException carrying getMessage(p0, p1, p2).
        [[noreturn]] void throwException(const ZOLString& p0, const ZOLString& p1, const ZOLString& p2);
    };

    // ZSAX_W0001 "({0}:{1}): {2}": a problem the reader reported; line, column, reader's message.
    static MessageInstance_String_String_String SAX_PARSE_ERROR;
    // ZSAX_F0002 "Xerces initialization error: {0}": the XML library could not start.
    static MessageInstance_String XERCES_INITIALIZATION_ERROR;
    // ZSAX_F0003 "Xerces OutOfMemoryException": the reader ran out of memory.
    static MessageInstance XERCES_OUT_OF_MEMORY;
    // ZSAX_F0004 "Xerces XMLException: {0}": any other failure of the reader.
    static MessageInstance_String XERCES_XML_EXCEPTION;
    // ZSAX_F0005 "Failed to parse XML file: {0}": a parse saw an error; the system identifier.
    static MessageInstance_String XML_PARSE_FAILED;
    // ZSAX_E0006: the input is not XML at all (a fatal error at line 1, column 1).
    static MessageInstance_String_String XML_UTF_DATAFORMAT_ERROR;

    ZSAX();
    // Copies share everything: all state is static.
    ZSAX(const ZSAX& other);
    // Copies other into this one.
    ZSAX& operator=(const ZSAX& other);

    // The six messages in identifier order, then a null pointer.
    static const ZOLTextLiteral** getAllLiterals();
    // The message with the bare identifier id ("1" to "6"), or a null pointer.
    static const ZOLTextLiteral* findTextLiteral(const ZOLString& id);

protected:
    // "ZOLSAX2Parser".
    const ZOLString& getDocumentId() const override;
    // The same list as getAllLiterals().
    ZOLTextLiteral** listAllLiterals() const override;

private:
    friend class ZSAXInitializer;

    static ZOLString PREFIX;
    static ZOLString DOCUMENT_ID;
    static ZOLTextLiteral* textLiterals[7];
};

#endif
