#ifndef ZOLSAX2_TOOLS_EVENTWRITER_H
#define ZOLSAX2_TOOLS_EVENTWRITER_H

#include <iosfwd>
#include <string>

class ZOLSAX2Parser;

namespace zolsax2 {

// Writes parser events as lines of tab-separated fields:
//     start<TAB>qname[<TAB>name=value]...   end<TAB>qname   chars<TAB>text   pi<TAB>target<TAB>data
// Fields are escaped as Escape::field does. Adjacent character runs make one chars line,
// streamed: the line starts at the first non-empty run and each run is written as it
// arrives, in slices of at most 64 KiB, so a text node of any size takes the memory of one
// run as the parser delivers it (a CDATA section is one run) and no escaped copy of it. The static members are
// the parser's callbacks, with the writer as userData.
class EventWriter {
public:
    // Writes to out; with positions, each line starts with the parser's position and a tab.
    EventWriter(std::ostream& out, bool positions);
    EventWriter(const EventWriter&) = delete;
    EventWriter& operator=(const EventWriter&) = delete;

    // The parser whose position prefixes the lines; set once it exists.
    void setParser(const ZOLSAX2Parser* parser) noexcept { this->parser = parser; }
    // Ends an open chars line; call after every parse, failed or not.
    void finish();

    // Writes a start line with the attributes in the order delivered.
    static void startElement(void* writer, const char* name, const char** attributes);
    // Writes an end line.
    static void endElement(void* writer, const char* name);
    // Writes the run, starting a chars line unless one is open; nothing for an empty run.
    static void characters(void* writer, const char* text, int length);
    // Writes a pi line; empty data still gets its field.
    static void processingInstruction(void* writer, const char* target, const char* data);

private:
    void beginLine(const char* kind);
    void field(const char* text);
    // Writes the escaped bytes collected in line and empties it.
    void flushLine();

    std::ostream& out;
    bool positions;
    const ZOLSAX2Parser* parser = nullptr;
    bool textOpen = false;
    // The line being built; reused so that a run costs no allocation.
    std::string line;
};

} // namespace zolsax2

#endif
