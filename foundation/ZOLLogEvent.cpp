#include "ZOLLogEvent.h"

#include "ZOLLogLocation.h"

#include <memory>

namespace {

struct LevelName {
    int level;
    const char* name;
};

constexpr LevelName LEVEL_NAMES[] = {
    {ZOLLogEvent::LEVEL_INFO, "INFO"},
    {ZOLLogEvent::LEVEL_WARNING, "WARNING"},
    {ZOLLogEvent::LEVEL_ERROR, "ERROR"},
    {ZOLLogEvent::LEVEL_FATAL, "FATAL"},
};

} // namespace

int ZOLLogEvent::levelFromName(const ZOLString& name) noexcept
{
    for (const LevelName& entry : LEVEL_NAMES)
        if (name == entry.name)
            return entry.level;
    return LEVEL_UNKNOWN;
}

const char* ZOLLogEvent::levelName(int level) noexcept
{
    for (const LevelName& entry : LEVEL_NAMES)
        if (entry.level == level)
            return entry.name;
    return "UNKNOWN";
}

ZOLLogEvent::ZOLLogEvent(const ZOLString& text, const ZOLString& code, int level, const ZOLString& detail)
    : text(text), code(code), level(level), detail(detail), location(nullptr)
{}

ZOLLogEvent::ZOLLogEvent(const ZOLLogEvent& other)
    : text(other.text), code(other.code), level(other.level), detail(other.detail),
      location(other.location == nullptr ? nullptr : new ZOLLogLocation(*other.location))
{}

ZOLLogEvent& ZOLLogEvent::operator=(const ZOLLogEvent& other)
{
    if (this == &other)
        return *this;
    std::unique_ptr<ZOLLogLocation> copy(other.location == nullptr ? nullptr : new ZOLLogLocation(*other.location));
    text = other.text;
    code = other.code;
    level = other.level;
    detail = other.detail;
    delete location;
    location = copy.release();
    return *this;
}

ZOLLogEvent::~ZOLLogEvent()
{
    delete location;
}

void ZOLLogEvent::setLocation(const ZOLLogLocation& where)
{
    ZOLLogLocation* copy = new ZOLLogLocation(where);
    delete location;
    location = copy;
}
