#include "ZOLLogEvent.h"

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
    : text(text), code(code), level(level), detail(detail)
{}

ZOLLogEvent::ZOLLogEvent(const ZOLLogEvent& other) = default;

ZOLLogEvent& ZOLLogEvent::operator=(const ZOLLogEvent& other) = default;

ZOLLogEvent::~ZOLLogEvent() = default;
