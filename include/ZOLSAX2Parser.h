#ifndef ZOLSAX2PARSER_H
#define ZOLSAX2PARSER_H

#include "ZOLSAX2Catalog.h"
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
// Called for each reference to a general entity the parser has no declaration for (an
// addition; see ZOLSAX2Parser::setSkippedEntityCallback). name is the entity's name.
typedef void (*SkippedEntityCallback)(void* userData, const char* name);

// Parses XML into four callbacks.
//
// Every string a callback receives is NUL-terminated UTF-8, whatever the document's own
// encoding, and is valid only until the callback returns. Names arrive exactly as written
// (no namespace processing: prefixes stay, xmlns attributes are ordinary attributes), no
// DTD validation is done and no external DTD is loaded. Each problem the reader reports is
// logged through the ZSAX catalogue; a parse that saw an error or fatal error then throws
// ZSAX::XML_PARSE_FAILED as a ZOLException. Warnings alone never fail a parse. Exceptions
// thrown by callbacks leave the parse call unchanged, and the parser stays usable; an
// exception derived from Xerces' XMLException is the one exception: the reader swallows
// it and reports it as a fatal error. When the reader runs out of memory the call throws
// ZSAX::XERCES_OUT_OF_MEMORY and the reader is replaced by a fresh one with the same
// configuration, callbacks and secure setting, so the next parse works.
//
// By default the reader resolves the external entities a document declares (local files
// and http URLs, general and parameter entities) and expands entities without limit;
// only the external DTD subset is never loaded. Use setSecureProcessing(true) for input
// you do not trust.
//
// Threads: a parser may be created, used and destroyed on any thread, and any number of
// parsers and validators may live on different threads at once; each pairs its own
// initialisation and termination of the XML library, which the library serialises. One
// parser is used by one thread at a time, its callbacks run on that thread, and a callback
// must not start another parse on the same parser. A parser is not copyable.
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

    // --- Additions (opt-in: a parser that never calls these behaves as described above) ---

    // Hardens later parses for untrusted input (off by default; takes effect at the next
    // parse, so a callback may call it). When on, no external entity is opened: each one
    // the document references is logged as SAX_PARSE_ERROR with its position and a text
    // such as "external entity 'x' refused (SYSTEM 'file:///etc/passwd')", the reader
    // then reports that it could not open it, and the parse throws XML_PARSE_FAILED.
    // A document with more than 1,000 entity expansions, or whose expansions produce too
    // much text for its size (see setAmplificationLimit), fails with a fatal error.
    // Documents that reference no external entity parse exactly as in the default mode.
    // See docs/security.md.
    void setSecureProcessing(bool on);
    // Calls callback (null: nobody, the default) with the parser's userData and the name
    // of each general entity that a reference names but no declaration the parser read
    // does: typically one declared in the external DTD subset, which this parser never
    // reads. The reader drops such a reference from text and attribute values ("a&nbsp;b"
    // gives "ab"); this call is the only word of it. Calls come in document order (for a
    // reference in an attribute value, before the start tag's call); getPosition() gives
    // the position just after the reference. Undeclared parameter entities and references
    // in the DTD's attribute defaults are not reported. The four callbacks, the records
    // and the failures stay as without it. Takes effect at the next parse, so a callback
    // may call it. See docs/additions.md.
    void setSkippedEntityCallback(SkippedEntityCallback callback);
    // The amplification limit of secure processing, for later parses (called from a
    // callback, from the next parse on: the running one keeps its limit). A document fails
    // with a fatal SAX_PARSE_ERROR record at the position reached ("entity expansion and
    // default attributes produced N characters from M bytes of input, ...") once the text
    // its internal entities and defaulted attributes produce, added to the bytes read from
    // the document, reaches activationBytes and exceeds ratio times those bytes. The
    // defaults are a ratio of 20 and 8 MiB (8,388,608), so documents that produce less
    // than 8 MiB this way are never affected. False, and nothing changes, when ratio is
    // below 1 or not a number. Has no effect unless secure processing (or amplification
    // protection) is on.
    bool setAmplificationLimit(double ratio, unsigned long long activationBytes);
    // Ends the running parse as soon as the callback that calls this returns (any of the
    // five callbacks may): no further callback is made, the rest of the input is not read,
    // and the parse call returns as for a complete document. It throws XML_PARSE_FAILED
    // only when a problem was already logged before the stop, as it would at the end;
    // problems further on go unseen. The parser is ready for the next parse at once.
    // Outside a parse it does nothing; from the log during one, the parse ends after the
    // next callback. See docs/additions.md.
    void stopParse();

    // Checks later parses against the namespace constraints of XML (off by default; takes
    // effect at the next start tag): a qualified name has one colon between two non-empty
    // parts, every prefix of an element or attribute is declared, no element has two
    // attributes with the same namespace and local name, the prefixes xml and xmlns and
    // their namespaces are used only as reserved, no name has the prefix xmlns but a
    // declaration, and no processing instruction's target has a colon (entity and
    // notation names of the DTD are not checked). Each violation is logged as SAX_PARSE_ERROR at the reader's position
    // (just after the start tag), with location data at the error level; the reader reads
    // on and the parse then throws XML_PARSE_FAILED. The callbacks receive exactly what
    // they receive without the check (names as written, xmlns attributes included).
    // See docs/additions.md.
    void setNamespaceChecking(bool on);
    // Places encoding errors at the byte that does not decode (off by default). The reader
    // converts its input a block at a time and reports a bad byte where its block began,
    // often line 1, column 1 (logged as XML_UTF_DATAFORMAT_ERROR, "not XML at all"). With
    // this on, when a fatal error is an encoding error whose first bad byte is past the
    // input's first byte, the record is SAX_PARSE_ERROR instead, with the line and column
    // of that byte as the reader counts them and a text such as "byte 0xFF is not UTF-8",
    // and its location data carries the same line and column at the fatal level. Files and
    // parseString() input are read again to find the byte; standard input, encodings other
    // than UTF-8 and US-ASCII and a bad first byte keep the reader's report.
    void setEncodingErrorLocation(bool on);
    // The absolute cap beside that ratio, for later parses: whatever the input size, a
    // document fails the same way once its internal entities and defaulted attributes
    // produce more than characters characters, or once the reader needs more than two bytes
    // per character of it for one block (the buffer of one attribute value, text run,
    // comment or processing instruction it holds whole). The default, 8 Mi (8,388,608),
    // keeps a document under about 1 s and 128 MiB; ULLONG_MAX switches the cap off. Has no
    // effect unless secure processing (or amplification protection) is on.
    void setAmplificationCap(unsigned long long characters);
    // Amplification protection (off by default): later parses are held to the limit and the
    // cap above without secure processing, so billion laughs and the like fail quickly while
    // external entities and any number of expansions stay allowed. Secure processing
    // includes it. Takes effect at the next parse.
    void setAmplificationProtection(bool on);
    // Asks resolver (null: nobody, the default), with context, for every external entity of
    // later parses, general or parameter, before the reader opens it (the external DTD only
    // with setLoadExternalDtd, which alone reads it). An answer is read instead of the
    // resource as named (a location, or content the parser copies); a declined request is
    // opened as without a resolver; an answer with neither location nor content refuses the
    // resource, and the parse fails. Records in a resource read from elsewhere name it as
    // written, with " (read from X)". A catalog is such a resolver:
    // setResolver(&ZOLSAX2Catalog::resolve, &catalog). In secure mode, an answer that is a
    // local file or content is trusted and read; every other resource stays refused. See
    // docs/catalogs.md.
    void setResolver(ZOLSAX2Resolver resolver, void* context);
    // Reads the external DTD that later documents name in their DOCTYPE (off by default: this
    // parser reads only the internal subset), through the resolver when one is set. The
    // callbacks then see what XML 1.0 asks of a processor that reads every declaration: the
    // values of the entities the DTD declares (no skipped entity for them), attributes the
    // DTD gives a default added to the elements that omit them, and the values of attributes
    // of a tokenised type (ID, IDREF(S), ENTITY/ENTITIES, NMTOKEN(S), NOTATION, enumerations)
    // normalised: leading and trailing spaces dropped and inner runs of spaces made one.
    // Nothing is validated. (xmllint --loaddtd expands the entities but adds the defaults only
    // with --dtdattr.) A DTD that cannot be read fails the parse. In secure mode the DTD is
    // read only when the resolver maps it to a local file or content, and the entities it
    // declares do not count towards the 1,000 expansions; those of the internal subset do.
    void setLoadExternalDtd(bool on);

private:
    // State of the additions; defined with the parser's code.
    struct Extensions;

    void parse(xercesc::InputSource* source);
    // Rebuilds a discarded reader and brings its secure settings up to date.
    ZOLSAX2PARSER_LOCAL void prepareReader();

    ZOLLog* log;
    ZOLSAX2ContentHandler* contentHandler;
    ZOLSAX2ErrorHandler* errorHandler;
    xercesc::SAX2XMLReader* reader;
    // Owned; created by the constructor, deleted by the destructor.
    Extensions* extensions;
};

#endif
