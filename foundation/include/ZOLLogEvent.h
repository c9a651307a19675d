#ifndef ZOLLOGEVENT_H
#define ZOLLOGEVENT_H

#include "ZOLStdExport.h"
#include "ZOLString.h"

class ZOLLogLocation;

// One record handed to a ZOLLog: text, message code, severity level and a detail string.
class ZOLSTD_API ZOLLogEvent {
public:
    // Severity levels; they rise with severity so callers may compare them.
    enum Level { LEVEL_UNKNOWN = 0, LEVEL_INFO = 1, LEVEL_WARNING = 2, LEVEL_ERROR = 3, LEVEL_FATAL = 4 };

    // The level of a severity name ("INFO", "WARNING", "ERROR", "FATAL", exact case);
    // any other name, the empty one included, gets LEVEL_UNKNOWN.
    static int levelFromName(const ZOLString& name) noexcept;
    // The severity name of a level; "UNKNOWN" for any value outside Level.
    static const char* levelName(int level) noexcept;

    // A record; detail is free text that this suite leaves empty.
    ZOLLogEvent(const ZOLString& text, const ZOLString& code, int level, const ZOLString& detail);
    // A copy of other.
    ZOLLogEvent(const ZOLLogEvent& other);
    // Copies other into this one.
    ZOLLogEvent& operator=(const ZOLLogEvent& other);
    virtual ~ZOLLogEvent();

    // The formatted message text, without its code.
    const ZOLString& getText() const noexcept { return text; }
    // The message code, such as ZSAX_W0001.
    const ZOLString& getCode() const noexcept { return code; }
    // The severity level (see Level).
    int getLevel() const noexcept { return level; }
    // The fourth string of the record.
    const ZOLString& getDetail() const noexcept { return detail; }

    // --- Location data (optional) --------------------------------------------------------
    // A logger that knows where the problem is attaches it; a ZOLLog that never asks sees
    // the four fields above and nothing else. Copies of the event carry it along.

    // Where the problem was found, or null when the logger gave no location.
    const ZOLLogLocation* getLocation() const noexcept { return location; }
    // Attaches a copy of location, replacing any earlier one.
    void setLocation(const ZOLLogLocation& location);

private:
    ZOLString text;
    ZOLString code;
    int level;
    ZOLString detail;
    // Owned; null unless setLocation was called.
    ZOLLogLocation* location;
};

#endif
