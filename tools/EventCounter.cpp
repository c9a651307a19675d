#include "EventCounter.h"

namespace zolsax2 {

EventCounter& EventCounter::operator+=(const EventCounter& other)
{
    elements += other.elements;
    attributes += other.attributes;
    characterBytes += other.characterBytes;
    processingInstructions += other.processingInstructions;
    return *this;
}

void EventCounter::startElement(void* counter, const char*, const char** attributes)
{
    auto* self = static_cast<EventCounter*>(counter);
    ++self->elements;
    for (const char** a = attributes; a[0] != nullptr; a += 2)
        ++self->attributes;
}

void EventCounter::characters(void* counter, const char*, int length)
{
    static_cast<EventCounter*>(counter)->characterBytes += static_cast<std::uint64_t>(length);
}

void EventCounter::processingInstruction(void* counter, const char*, const char*)
{
    ++static_cast<EventCounter*>(counter)->processingInstructions;
}

} // namespace zolsax2
