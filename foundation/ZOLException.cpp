#include "ZOLException.h"

ZOLException::ZOLException(const ZOLString& message) : message(message) {}

ZOLException::ZOLException(const ZOLException& other) = default;

ZOLException& ZOLException::operator=(const ZOLException& other) = default;

ZOLException::~ZOLException() = default;
