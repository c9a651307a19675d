#ifndef ZOLSAX2_TOOLS_EVENTCOUNTER_H
#define ZOLSAX2_TOOLS_EVENTCOUNTER_H

#include <cstdint>

namespace zolsax2 {

// Counts a document's events; the static members are the parser's callbacks, with the
// counter as userData.
class EventCounter {
public:
    // Start tags and empty-element tags.
    std::uint64_t elements = 0;
    // Attributes as delivered (xmlns attributes included: the parser keeps them).
    std::uint64_t attributes = 0;
    // Bytes of character data, in UTF-8.
    std::uint64_t characterBytes = 0;
    // Processing instructions, the XML declaration not included.
    std::uint64_t processingInstructions = 0;

    // Adds other's counts to these.
    EventCounter& operator+=(const EventCounter& other);

    // Counts an element and its attributes.
    static void startElement(void* counter, const char* name, const char** attributes);
    // Counts the run's bytes.
    static void characters(void* counter, const char* text, int length);
    // Counts an instruction.
    static void processingInstruction(void* counter, const char* target, const char* data);
};

} // namespace zolsax2

#endif
