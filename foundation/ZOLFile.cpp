#include "ZOLFile.h"

ZOLFile::ZOLFile(const ZOLString& path) : path(path) {}
