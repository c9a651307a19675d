#ifndef ZOLSAX2_TOOLS_EVENTWRITER_H
#define ZOLSAX2_TOOLS_EVENTWRITER_H

#include <iosfwd>
#include <string>

class ZOLSAX2Parser;

namespace zolsax2 {

// Writes parser events as lines of tab-separated fields:
//     start<TAB>qname[<TAB>name=value]...   end<TAB>qname   chars<TAB>text   pi<TAB>target<TAB>data
// Backslash, tab, newline and carriage return inside fields become \\ \t \n \r; adjacent
// character runs are merged into one line. The static members are the parser's callbacks,
// with the writer as userData.
class EventWriter {
public:
    // Writes to out; with positions, each line starts with the parser's position and a tab.
    EventWriter(std::ostream& out, bool positions);
    EventWriter(const EventWriter&) = delete;
    EventWriter& operator=(const EventWriter&) = delete;

    // The parser whose position prefixes the lines; set once it exists.
    void setParser(const ZOLSAX2Parser* parser) noexcept { this->parser = parser; }
    // Writes pending character data; call after every parse, failed or not.
    void finish();

    // The field escaping of the format.
    static std::string escape(const char* text, std::size_t length);

    // Writes a start line with the attributes in the order delivered.
    static void startElement(void* writer, const char* name, const char** attributes);
    // Writes an end line.
    static void endElement(void* writer, const char* name);
    // Adds a run to the pending chars line, written before the next other event.
    static void characters(void* writer, const char* text, int length);
    // Writes a pi line; empty data still gets its field.
    static void processingInstruction(void* writer, const char* target, const char* data);

private:
    void beginLine(const char* kind);
    void field(const char* text);

    std::ostream& out;
    bool positions;
    const ZOLSAX2Parser* parser = nullptr;
    // Character data not yet written, already escaped, and the position of its first run.
    std::string pendingText;
    std::string pendingPosition;
    bool textPending = false;
};

} // namespace zolsax2

#endif
