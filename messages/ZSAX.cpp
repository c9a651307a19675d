#include "ZSAX.h"

#include <ZOLException.h>
#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZOLTextLiteral.h>

#include <cstddef>

#if defined(_WIN32)
#include <windows.h>
#endif

// The catalogue's static objects. They are defined in this one translation unit so that
// they are built in this order when the library is loaded and destroyed in reverse order:
// the message constructors need PREFIX and ID_ZEROS, and the initializer needs the messages.

ZOLString ZSAX::DOCUMENT_ID("ZOLSAX2Parser");
ZOLString ZSAX::PREFIX("ZSAX");

namespace {

const ZOLString ID_ZEROS("0000");

// "ZSAX_" + severity initial + identifier left-filled with zeros to four characters.
// An identifier longer than four wraps the unsigned count, and mid() clips it to "0000".
ZOLString buildCode(const ZOLString& prefix, const ZOLString& id, const ZOLString& severity)
{
    const std::size_t zeros = ID_ZEROS.length() - id.length();
    return prefix + "_" + severity.mid(0, 1) + ID_ZEROS.mid(0, zeros) + id;
}

ZOLString bracketed(const ZOLString& code, const ZOLString& text)
{
    return "[" + code + "] " + text;
}

void logText(ZOLLog& target, const ZOLString& text, const ZOLString& code, int level,
             const ZOLLogLocation* location = nullptr)
{
    ZOLLogEvent event(text, code, level, ZOLString::emptyString);
    if (location != nullptr)
        event.setLocation(*location);
    target.logEvent(event);
}

[[noreturn]] void throwText(const ZOLString& message)
{
    const ZOLException exception(message);
    throw exception;
}

} // namespace

ZSAX::MessageInstance_String_String_String ZSAX::SAX_PARSE_ERROR("1", "({0}:{1}): {2}", "WARNING");
ZSAX::MessageInstance_String ZSAX::XERCES_INITIALIZATION_ERROR("2", "Xerces initialization error: {0}", "FATAL");
ZSAX::MessageInstance ZSAX::XERCES_OUT_OF_MEMORY("3", "Xerces OutOfMemoryException", "FATAL");
ZSAX::MessageInstance_String ZSAX::XERCES_XML_EXCEPTION("4", "Xerces XMLException: {0}", "FATAL");
ZSAX::MessageInstance_String ZSAX::XML_PARSE_FAILED("5", "Failed to parse XML file: {0}", "FATAL");
ZSAX::MessageInstance_String_String ZSAX::XML_UTF_DATAFORMAT_ERROR(
    "6",
    "An XML format error occurred during parsing the file ({0}:{1}): Please make sure the file is in the XML format",
    "ERROR");

// Constant-initialised: the addresses are in place before any constructor runs.
ZOLTextLiteral* ZSAX::textLiterals[7] = {
    &SAX_PARSE_ERROR,
    &XERCES_INITIALIZATION_ERROR,
    &XERCES_OUT_OF_MEMORY,
    &XERCES_XML_EXCEPTION,
    &XML_PARSE_FAILED,
    &XML_UTF_DATAFORMAT_ERROR,
    nullptr,
};

// Registers the catalogue with the foundation once, after all six messages exist.
class ZSAXInitializer {
public:
    ZSAXInitializer()
    {
        ZSAX catalogue;
        ZSAX::DOCUMENT_ID = "ZOLSAX2Parser";
        catalogue.init();
    }
};

namespace {

const ZSAXInitializer initializer;

} // namespace

ZSAX::ZSAX() = default;

ZSAX::ZSAX(const ZSAX&) : ZOLTextLiteralsCollection() {}

ZSAX& ZSAX::operator=(const ZSAX&)
{
    return *this;
}

const ZOLString& ZSAX::getDocumentId() const
{
    return DOCUMENT_ID;
}

ZOLTextLiteral** ZSAX::listAllLiterals() const
{
    return &textLiterals[0];
}

const ZOLTextLiteral** ZSAX::getAllLiterals()
{
    return const_cast<const ZOLTextLiteral**>(&textLiterals[0]);
}

const ZOLTextLiteral* ZSAX::findTextLiteral(const ZOLString& id)
{
    for (ZOLTextLiteral** entry = &textLiterals[0]; *entry != nullptr; ++entry) {
        const ZOLString& candidate = (*entry)->getId();
        if (candidate.length() == id.length() && candidate == id)
            return *entry;
    }
    return nullptr;
}

// The four message classes differ only in how many parameters they substitute.

ZSAX::MessageInstance::MessageInstance(const ZOLString& id, const ZOLString& text, const ZOLString& severity)
    : ZOLMessageLiteral(id, text, severity)
{
    messageCode = buildCode(PREFIX, id, severity);
}

ZSAX::MessageInstance::MessageInstance(const MessageInstance& other) = default;
ZSAX::MessageInstance& ZSAX::MessageInstance::operator=(const MessageInstance& other) = default;
ZSAX::MessageInstance::~MessageInstance() = default;

ZOLString ZSAX::MessageInstance::toString()
{
    return text;
}

void ZSAX::MessageInstance::log(ZOLLog& target)
{
    logText(target, toString(), messageCode, level);
}

void ZSAX::MessageInstance::logAt(ZOLLog& target, const ZOLLogLocation& location)
{
    logText(target, toString(), messageCode, level, &location);
}

ZOLString ZSAX::MessageInstance::getMessage()
{
    return bracketed(messageCode, toString());
}

void ZSAX::MessageInstance::throwException()
{
    throwText(getMessage());
}

ZSAX::MessageInstance_String::MessageInstance_String(const ZOLString& id, const ZOLString& text,
                                                     const ZOLString& severity)
    : ZOLMessageLiteral(id, text, severity)
{
    messageCode = buildCode(PREFIX, id, severity);
}

ZSAX::MessageInstance_String::MessageInstance_String(const MessageInstance_String& other) = default;
ZSAX::MessageInstance_String& ZSAX::MessageInstance_String::operator=(const MessageInstance_String& other) = default;
ZSAX::MessageInstance_String::~MessageInstance_String() = default;

ZOLString ZSAX::MessageInstance_String::toString(const ZOLString& p0)
{
    void* parameters = prapareForParameters();
    setParameterValue(parameters, 0, p0);
    return createParametrizedText(parameters);
}

void ZSAX::MessageInstance_String::log(ZOLLog& target, const ZOLString& p0)
{
    logText(target, toString(p0), messageCode, level);
}

void ZSAX::MessageInstance_String::logAt(ZOLLog& target, const ZOLLogLocation& location, const ZOLString& p0)
{
    logText(target, toString(p0), messageCode, level, &location);
}

ZOLString ZSAX::MessageInstance_String::getMessage(const ZOLString& p0)
{
    return bracketed(messageCode, toString(p0));
}

void ZSAX::MessageInstance_String::throwException(const ZOLString& p0)
{
    throwText(getMessage(p0));
}

ZSAX::MessageInstance_String_String::MessageInstance_String_String(const ZOLString& id, const ZOLString& text,
                                                                   const ZOLString& severity)
    : ZOLMessageLiteral(id, text, severity)
{
    messageCode = buildCode(PREFIX, id, severity);
}

ZSAX::MessageInstance_String_String::MessageInstance_String_String(const MessageInstance_String_String& other) =
    default;
ZSAX::MessageInstance_String_String&
ZSAX::MessageInstance_String_String::operator=(const MessageInstance_String_String& other) = default;
ZSAX::MessageInstance_String_String::~MessageInstance_String_String() = default;

ZOLString ZSAX::MessageInstance_String_String::toString(const ZOLString& p0, const ZOLString& p1)
{
    void* parameters = prapareForParameters();
    setParameterValue(parameters, 0, p0);
    setParameterValue(parameters, 1, p1);
    return createParametrizedText(parameters);
}

void ZSAX::MessageInstance_String_String::log(ZOLLog& target, const ZOLString& p0, const ZOLString& p1)
{
    logText(target, toString(p0, p1), messageCode, level);
}

void ZSAX::MessageInstance_String_String::logAt(ZOLLog& target, const ZOLLogLocation& location, const ZOLString& p0,
                                                const ZOLString& p1)
{
    logText(target, toString(p0, p1), messageCode, level, &location);
}

ZOLString ZSAX::MessageInstance_String_String::getMessage(const ZOLString& p0, const ZOLString& p1)
{
    return bracketed(messageCode, toString(p0, p1));
}

void ZSAX::MessageInstance_String_String::throwException(const ZOLString& p0, const ZOLString& p1)
{
    throwText(getMessage(p0, p1));
}

ZSAX::MessageInstance_String_String_String::MessageInstance_String_String_String(const ZOLString& id,
                                                                                 const ZOLString& text,
                                                                                 const ZOLString& severity)
    : ZOLMessageLiteral(id, text, severity)
{
    messageCode = buildCode(PREFIX, id, severity);
}

ZSAX::MessageInstance_String_String_String::MessageInstance_String_String_String(
    const MessageInstance_String_String_String& other) = default;
ZSAX::MessageInstance_String_String_String&
ZSAX::MessageInstance_String_String_String::operator=(const MessageInstance_String_String_String& other) = default;
ZSAX::MessageInstance_String_String_String::~MessageInstance_String_String_String() = default;

ZOLString ZSAX::MessageInstance_String_String_String::toString(const ZOLString& p0, const ZOLString& p1,
                                                               const ZOLString& p2)
{
    void* parameters = prapareForParameters();
    setParameterValue(parameters, 0, p0);
    setParameterValue(parameters, 1, p1);
    setParameterValue(parameters, 2, p2);
    return createParametrizedText(parameters);
}

void ZSAX::MessageInstance_String_String_String::log(ZOLLog& target, const ZOLString& p0, const ZOLString& p1,
                                                     const ZOLString& p2)
{
    logText(target, toString(p0, p1, p2), messageCode, level);
}

void ZSAX::MessageInstance_String_String_String::logAt(ZOLLog& target, const ZOLLogLocation& location,
                                                       const ZOLString& p0, const ZOLString& p1, const ZOLString& p2)
{
    logText(target, toString(p0, p1, p2), messageCode, level, &location);
}

ZOLString ZSAX::MessageInstance_String_String_String::getMessage(const ZOLString& p0, const ZOLString& p1,
                                                                 const ZOLString& p2)
{
    return bracketed(messageCode, toString(p0, p1, p2));
}

void ZSAX::MessageInstance_String_String_String::throwException(const ZOLString& p0, const ZOLString& p1,
                                                                const ZOLString& p2)
{
    throwText(getMessage(p0, p1, p2));
}

#if defined(_WIN32)
BOOL APIENTRY DllMain(HMODULE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(module);
    return TRUE;
}
#endif
