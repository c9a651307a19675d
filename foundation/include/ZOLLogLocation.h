#ifndef ZOLLOGLOCATION_H
#define ZOLLOGLOCATION_H

#include "ZOLStdExport.h"
#include "ZOLString.h"

// Where a logged problem was found: the entity (document, external entity, DTD or schema
// document) by its system identifier, the line and column in that entity, and the
// severity its reporter gave it. Attached to a ZOLLogEvent by loggers that know it.
class ZOLSTD_API ZOLLogLocation {
public:
    // A location; line and column count from 1, 0 when unknown. reportedLevel is a
    // ZOLLogEvent::Level.
    ZOLLogLocation(const ZOLString& systemId, long line, long column, int reportedLevel);
    // A copy of other.
    ZOLLogLocation(const ZOLLogLocation& other);
    // Copies other into this one.
    ZOLLogLocation& operator=(const ZOLLogLocation& other);
    virtual ~ZOLLogLocation();

    // The entity's system identifier as the reader resolved it (an absolute path or a
    // URL), empty when the problem belongs to no entity.
    const ZOLString& getSystemId() const noexcept { return systemId; }
    // The line in that entity, from 1; 0 when unknown.
    long getLine() const noexcept { return line; }
    // The column in that entity, from 1; 0 when unknown.
    long getColumn() const noexcept { return column; }
    // The severity the reporter itself gave the problem (a warning, an error that lets
    // the work go on, or a fatal error that stopped it). The event's own level is that of
    // its catalogue message, which may differ.
    int getReportedLevel() const noexcept { return reportedLevel; }

private:
    ZOLString systemId;
    long line;
    long column;
    int reportedLevel;
};

#endif
