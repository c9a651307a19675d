#include "ZOLLog.h"

ZOLLog::~ZOLLog() = default;
