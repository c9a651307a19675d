#include "ZOLLogLocation.h"

ZOLLogLocation::ZOLLogLocation(const ZOLString& systemId, long line, long column, int reportedLevel)
    : systemId(systemId), line(line), column(column), reportedLevel(reportedLevel)
{}

ZOLLogLocation::ZOLLogLocation(const ZOLLogLocation& other) = default;

ZOLLogLocation& ZOLLogLocation::operator=(const ZOLLogLocation& other) = default;

ZOLLogLocation::~ZOLLogLocation() = default;
