#ifndef CANONICALWRITER_H
#define CANONICALWRITER_H

#include <iosfwd>

// Writes the canonical form of a document from the parser's events, as the out/ files of
// the W3C XML conformance suite have it: no declaration, comment or DOCTYPE; attributes
// sorted by name; & < > " tab, newline and carriage return in text and attribute values
// written as character references; an empty element as a start tag and an end tag; a
// processing instruction as <?target data?>, with the space even when data is empty.
//
// The static members are trampolines taking the writer as userData, to be handed straight
// to ZOLSAX2Parser. Text may arrive in any number of pieces: escaping is per character, so
// nothing is buffered and the output is the same however the reader splits a run.
class CanonicalWriter {
public:
    // Writes to out, which must outlive the writer. With controlsAsReferences, the other
    // control characters (C0, DEL, C1) of text, attribute values and processing-instruction
    // data are written as character references too, so none reaches a terminal raw (the
    // suite's own files keep them as they are).
    explicit CanonicalWriter(std::ostream& out, bool controlsAsReferences = false);

    static void startElement(void* writer, const char* name, const char** attributes);
    static void endElement(void* writer, const char* name);
    static void characters(void* writer, const char* text, int length);
    static void processingInstruction(void* writer, const char* target, const char* data);

private:
    void writeEscaped(const char* text, const char* end, bool markup);

    std::ostream& out;
    bool controlsAsReferences;
};

#endif
