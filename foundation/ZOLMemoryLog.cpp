#include "ZOLMemoryLog.h"

ZOLMemoryLog::ZOLMemoryLog() = default;

ZOLMemoryLog::~ZOLMemoryLog() = default;

void ZOLMemoryLog::logEvent(const ZOLLogEvent& event)
{
    events.push_back(event);
}
