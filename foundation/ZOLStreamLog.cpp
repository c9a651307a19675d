#include "ZOLStreamLog.h"

#include "ZOLLogEvent.h"

#include <ostream>

ZOLStreamLog::ZOLStreamLog(std::ostream& out) : out(&out) {}

ZOLStreamLog::~ZOLStreamLog() = default;

void ZOLStreamLog::logEvent(const ZOLLogEvent& event)
{
    *out << ZOLLogEvent::levelName(event.getLevel()) << " [" << event.getCode().chars() << "] ";
    const ZOLString& text = event.getText();
    for (std::size_t i = 0; i < text.length(); ++i) {
        const char c = text.chars()[i];
        if (c == '\n')
            *out << "\\n";
        else if (c == '\r')
            *out << "\\r";
        else
            *out << c;
    }
    *out << std::endl;
}
