#ifndef ZOLTEXTLITERALSCOLLECTION_H
#define ZOLTEXTLITERALSCOLLECTION_H

#include "ZOLStdExport.h"
#include "ZOLString.h"

class ZOLTextLiteral;

// A document of text literals, such as a library's message catalogue.
//
// init() copies the collection's document identifier and each literal's identifier and
// text into a process-wide registry, so lookupText() keeps answering after the library
// that defined the literals has been unloaded. A second init() of the same document
// replaces its earlier entries. The registry is safe to use from several threads.
class ZOLSTD_API ZOLTextLiteralsCollection {
public:
    ZOLTextLiteralsCollection();
    // Registers the document identifier and the listed literals.
    void init();

    // The registered text of literal literalId in document documentId, or false when
    // no such document or literal was registered (text is then left unchanged).
    static bool lookupText(const ZOLString& documentId, const ZOLString& literalId, ZOLString& text);

protected:
    // Not virtual: collections are never deleted through this base.
    ~ZOLTextLiteralsCollection();
    // The document identifier of the collection.
    virtual const ZOLString& getDocumentId() const = 0;
    // The literals, ended by a null pointer.
    virtual ZOLTextLiteral** listAllLiterals() const = 0;
};

#endif
