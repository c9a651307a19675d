#include "ZOLSAX2RecordSwitch.h"

#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>

void ZOLSAX2RecordSwitch::logEvent(const ZOLLogEvent& event)
{
    if (counting) {
        ++counted;
        const ZOLLogLocation* where = event.getLocation();
        if (where == nullptr || where->getSystemId().isEmpty())
            unplaced.emplace_back(messageOf(event), loading);
        return;
    }
    if (!unplaced.empty()) {
        const std::string message = messageOf(event);
        for (const auto& [known, schema] : unplaced) {
            if (message != known)
                continue;
            ZOLLogEvent placed(event);
            const ZOLLogLocation* where = event.getLocation();
            placed.setLocation(
                ZOLLogLocation(schema, 0, 0, where == nullptr ? event.getLevel() : where->getReportedLevel()));
            pass(placed);
            return;
        }
    }
    pass(event);
}

void ZOLSAX2RecordSwitch::startLoading()
{
    counting = true;
    counted = 0;
    unplaced.clear();
}

unsigned long ZOLSAX2RecordSwitch::stopLoading()
{
    counting = false;
    return counted;
}

std::string ZOLSAX2RecordSwitch::messageOf(const ZOLLogEvent& event)
{
    const std::string text = event.getText().chars();
    const std::size_t end = text.find("): ");
    return text.rfind('(', 0) == 0 && end != std::string::npos ? text.substr(end + 3) : text;
}

void ZOLSAX2RecordSwitch::pass(const ZOLLogEvent& event)
{
    try {
        log->logEvent(event);
    } catch (...) {
        thrown = true;
        throw;
    }
}
