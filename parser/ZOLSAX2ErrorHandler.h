#ifndef ZOLSAX2ERRORHANDLER_H
#define ZOLSAX2ERRORHANDLER_H

#include <xercesc/sax/ErrorHandler.hpp>

class ZOLLog;
class ZOLSAX2BadByteLocator;
class ZOLSAX2ResourceResolver;

// Writes one catalogue record per problem the reader reports and remembers whether an
// error or a warning was seen. It never throws and never stops a parse; its owner reads
// the flags afterwards. Each record also carries where the problem is (the entity's system
// identifier, line and column) and how the reader classed it, as a ZOLLogLocation that a
// log may read or ignore. Internal to the library.
class ZOLSAX2ErrorHandler : public xercesc::ErrorHandler {
public:
    // Logs to log, which must outlive the handler.
    explicit ZOLSAX2ErrorHandler(ZOLLog* log);
    ZOLSAX2ErrorHandler(const ZOLSAX2ErrorHandler&) = delete;
    ZOLSAX2ErrorHandler& operator=(const ZOLSAX2ErrorHandler&) = delete;
    ~ZOLSAX2ErrorHandler() override;

    // Logs SAX_PARSE_ERROR; sets warningSeen.
    void warning(const xercesc::SAXParseException& exc) override;
    // Logs SAX_PARSE_ERROR; sets errorSeen.
    void error(const xercesc::SAXParseException& exc) override;
    // Logs XML_UTF_DATAFORMAT_ERROR at 1:1, SAX_PARSE_ERROR elsewhere; sets errorSeen.
    void fatalError(const xercesc::SAXParseException& exc) override;
    // Clears errorSeen and fatalSeen only; the reader calls it as each document begins.
    void resetErrors() override;

    // True once an error or fatal error was reported since the flag was last cleared.
    bool isErrorSeen() const noexcept { return errorSeen; }
    // True once a warning was reported since the flag was last cleared.
    bool isWarningSeen() const noexcept { return warningSeen; }

private:
    friend class ZOLSAX2Parser;
    friend class ZOLSAX2Validator;
    // Loading schemas for the cache leaves the flags as they were.
    friend class ZOLSAX2SchemaCache;

    void logParseError(const xercesc::SAXParseException& exc, int reportedLevel);

    bool errorSeen;
    bool warningSeen;
    // Set with errorSeen by a fatal error: the document is not well-formed, or was not read.
    bool fatalSeen = false;
    ZOLLog* log;
    // An addition, set by the parser: places encoding errors at their byte when not null.
    const ZOLSAX2BadByteLocator* badByteLocator = nullptr;
    // Names the entities read from elsewhere than the document named them; null: none are.
    const ZOLSAX2ResourceResolver* names = nullptr;
};

#endif
