#ifndef ZOLSTD_H
#define ZOLSTD_H

// The foundation library: strings, files, logs, exceptions and text literals.
#include "ZOLException.h"
#include "ZOLFile.h"
#include "ZOLLog.h"
#include "ZOLLogEvent.h"
#include "ZOLLogLocation.h"
#include "ZOLMemoryLog.h"
#include "ZOLMessageLiteral.h"
#include "ZOLParameterizedTextLiteral.h"
#include "ZOLStreamLog.h"
#include "ZOLString.h"
#include "ZOLTextLiteral.h"
#include "ZOLTextLiteralsCollection.h"

#endif
