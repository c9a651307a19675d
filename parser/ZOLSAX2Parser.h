#ifndef ZOLSAX2PARSER_H
#define ZOLSAX2PARSER_H

#include "ZOLSAX2ParserExport.h"

#include <ZOLFile.h>
#include <ZOLLog.h>
#include <ZOLString.h>

#include <xercesc/util/XercesDefs.hpp>

XERCES_CPP_NAMESPACE_BEGIN
class InputSource;
class SAX2XMLReader;
XERCES_CPP_NAMESPACE_END

class ZOLSAX2ContentHandler;
class ZOLSAX2ErrorHandler;

// Called for each start tag and each empty-element tag. attributes holds name, value,
// name, value, ... in document order, then two null pointers; never null itself.
typedef void (*StartElementCallback)(void* userData, const char* name, const char** attributes);
// Called for each end tag, and right after the start call of an empty-element tag.
typedef void (*EndElementCallback)(void* userData, const char* name);
// Called for each run of character data; length is in bytes. One element's text may
// arrive in several calls.
typedef void (*CharactersCallback)(void* userData, const char* text, int length);
// Called for each processing instruction.
typedef void (*ProcessingInstructionCallback)(void* userData, const char* target, const char* data);

// Parses XML into four callbacks.
//
// Every string a callback receives is NUL-terminated UTF-8, whatever the document's own
// encoding, and is valid only until the callback returns. Names arrive exactly as written
// (no namespace processing: prefixes stay, xmlns attributes are ordinary attributes), no
// DTD validation is done and no external DTD is loaded. Each problem the reader reports is
// logged through the ZSAX catalogue; a parse that saw an error or fatal error then throws
// ZSAX::XML_PARSE_FAILED as a ZOLException. Warnings alone never fail a parse. Exceptions
// thrown by callbacks leave the parse call unchanged, and the parser stays usable.
//
// A parser is not copyable. Parsers and validators may be created and destroyed in any
// order; each pairs its own initialisation and termination of the XML library.
class ZOLSAX2PARSER_API ZOLSAX2Parser {
public:
    // A parser that logs to log (required, must outlive the parser) and passes userData to
    // the callbacks; any callback may be null. Throws ZSAX::XERCES_INITIALIZATION_ERROR.
    ZOLSAX2Parser(void* userData, ZOLLog* log, StartElementCallback startElementCallback,
                  EndElementCallback endElementCallback, CharactersCallback charactersCallback,
                  ProcessingInstructionCallback processingInstructionCallback);
    ZOLSAX2Parser(const ZOLSAX2Parser&) = delete;
    ZOLSAX2Parser& operator=(const ZOLSAX2Parser&) = delete;
    virtual ~ZOLSAX2Parser();

    // Parses the file at file's path; a relative path is taken from the current directory.
    void parseFile(const ZOLFile& file);
    // Parses standard input to its end.
    void parseStdIn();
    // Parses text's bytes; their encoding is read from the document itself (UTF-8 unless it
    // declares another or starts with a byte-order mark). Errors name the input "memory".
    void parseString(const ZOLString& text);
    // "line:column" of the reader while a callback runs; empty outside a parse.
    ZOLString getPosition() const;
    // Hardens later parses for untrusted input (off by default); see docs/security.md.
    void setSecureProcessing(bool on);

private:
    void parse(xercesc::InputSource* source);

    ZOLLog* log;
    ZOLSAX2ContentHandler* contentHandler;
    ZOLSAX2ErrorHandler* errorHandler;
    xercesc::SAX2XMLReader* reader;
    bool secureProcessing;
};

#endif
