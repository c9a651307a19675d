#ifndef ZOLSTREAMLOG_H
#define ZOLSTREAMLOG_H

#include "ZOLLog.h"
#include "ZOLStdExport.h"

#include <iosfwd>

// A log that writes each record as one line, "SEVERITY [CODE] text", to a stream.
// Newlines inside the text are written as the two characters \n so a record stays one line.
class ZOLSTD_API ZOLStreamLog : public ZOLLog {
public:
    // Writes to out, which must outlive the log.
    explicit ZOLStreamLog(std::ostream& out);
    ~ZOLStreamLog() override;
    // Writes the record and flushes it.
    void logEvent(const ZOLLogEvent& event) override;

private:
    std::ostream* out;
};

#endif
