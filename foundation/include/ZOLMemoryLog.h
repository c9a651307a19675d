#ifndef ZOLMEMORYLOG_H
#define ZOLMEMORYLOG_H

#include "ZOLLog.h"
#include "ZOLLogEvent.h"
#include "ZOLStdExport.h"

#include <cstddef>
#include <vector>

// A log that keeps a copy of every record, in arrival order, for the caller to inspect.
class ZOLSTD_API ZOLMemoryLog : public ZOLLog {
public:
    ZOLMemoryLog();
    ~ZOLMemoryLog() override;
    // Keeps a copy of the record.
    void logEvent(const ZOLLogEvent& event) override;

    // The records received so far.
    const std::vector<ZOLLogEvent>& getEvents() const noexcept { return events; }
    // Number of records received so far.
    std::size_t size() const noexcept { return events.size(); }
    // Forgets every record.
    void clear() noexcept { events.clear(); }

private:
    std::vector<ZOLLogEvent> events;
};

#endif
