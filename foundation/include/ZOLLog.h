#ifndef ZOLLOG_H
#define ZOLLOG_H

#include "ZOLStdExport.h"

class ZOLLogEvent;

// Receiver of log records. Events arrive synchronously on the thread that logs them.
class ZOLSTD_API ZOLLog {
public:
    virtual ~ZOLLog();
    // Takes one record; the event is valid only during the call.
    virtual void logEvent(const ZOLLogEvent& event) = 0;
};

#endif
