#ifndef ZOLFILE_H
#define ZOLFILE_H

#include "ZOLStdExport.h"
#include "ZOLString.h"

// A file named by its path; opening and reading it is left to whoever receives it.
class ZOLSTD_API ZOLFile {
public:
    // A file at path (UTF-8), relative to the current directory unless absolute.
    explicit ZOLFile(const ZOLString& path);
    // The path as given.
    const ZOLString& getPath() const noexcept { return path; }

private:
    ZOLString path;
};

#endif
