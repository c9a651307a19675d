#ifndef ZOLSAX2READEROWNER_H
#define ZOLSAX2READEROWNER_H

#include <ZOLString.h>

#include <xercesc/util/XercesDefs.hpp>

#include <exception>
#include <functional>

XERCES_CPP_NAMESPACE_BEGIN
class MemoryManager;
class SAX2XMLReader;
class XMLGrammarPool;
XERCES_CPP_NAMESPACE_END

// The life of the reader of a parser or a validator: how it is created and configured, the
// refusal of a parse started while one runs, its replacement after it ran out of memory (it
// then stays "in progress" for good) and the exceptions a piece of work on it may end with.
// The reader itself stays in its owner's own member, which this class is given. Internal to
// the library.
class ZOLSAX2ReaderOwner {
public:
    // How a piece of work on the reader ended.
    enum class Failure {
        NONE,
        OUT_OF_MEMORY, // the reader was discarded
        XML_EXCEPTION, // an XMLException other than running out of memory
        SAX_EXCEPTION, // a SAXException, such as a setting the reader refuses
        DOM_EXCEPTION  // a DOMException from the schema reader, which gave up mid-load: discarded
    };
    struct Outcome {
        Failure failure = Failure::NONE;
        // The exception's message, for the catalogue.
        ZOLString message;
        // The exception itself, for a caller that passes it on unchanged.
        std::exception_ptr exception;
        // The work ended early at a callback's request (see ZOLSAX2ParseStop); not a failure.
        bool stopped = false;

        explicit operator bool() const noexcept { return failure == Failure::NONE; }
        [[noreturn]] void rethrow() const { std::rethrow_exception(exception); }
    };

    explicit ZOLSAX2ReaderOwner(xercesc::SAX2XMLReader*& reader) : reader(reader) {}
    ZOLSAX2ReaderOwner(const ZOLSAX2ReaderOwner&) = delete;
    ZOLSAX2ReaderOwner& operator=(const ZOLSAX2ReaderOwner&) = delete;

    // A reader with the parser's fixed configuration on memory. The reader that reports
    // skipped entities differs only in validating documents with a DTD, which it needs to
    // hear of them and which changes nothing else the caller sees.
    static xercesc::SAX2XMLReader* createParserReader(bool reportSkippedEntities, xercesc::MemoryManager* memory);
    // Makes a parser's reader (not parsing) read the external DTD its documents name.
    static void readExternalDtd(xercesc::SAX2XMLReader* reader);
    // A reader with the validator's fixed configuration on memory, with pool (not owned)
    // for its grammar pool when given.
    static xercesc::SAX2XMLReader* createValidatorReader(xercesc::MemoryManager* memory,
                                                         xercesc::XMLGrammarPool* pool = nullptr);
    // The reader's own words for a parse started while one runs.
    static ZOLString inProgressMessage();

    // Called after each discard, to forget what belonged to the discarded reader.
    void setOnDiscard(std::function<void()> hook) { onDiscard = std::move(hook); }
    // Deletes the reader; the next piece of work makes a new one.
    void discard();
    // Runs work, which may create, configure or use the reader, and tells how it ended.
    // Any exception other than those of Failure and a stop passes unchanged.
    Outcome run(const std::function<void()>& work);

private:
    xercesc::SAX2XMLReader*& reader;
    std::function<void()> onDiscard;
};

#endif
