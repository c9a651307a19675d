#ifndef ZOLSAX2DOCUMENTSOURCE_H
#define ZOLSAX2DOCUMENTSOURCE_H

#include "ZOLSAX2Validator.h"

#include <ZOLString.h>

#include <xercesc/util/XercesDefs.hpp>

#include <cstddef>
#include <memory>

XERCES_CPP_NAMESPACE_BEGIN
class InputSource;
XERCES_CPP_NAMESPACE_END

// Where the validator reads a document from: a file named by its path, bytes in memory, or a
// read function of the caller's. Memory and streams carry a system identifier, completed as
// the reader completes a file's path, so that their records and their relative references
// are those of the same bytes in that file. Internal to the library.
class ZOLSAX2DocumentSource {
public:
    static ZOLSAX2DocumentSource file(const ZOLString& path);
    // bytes must outlive the parse; nothing is copied.
    static ZOLSAX2DocumentSource memory(const char* bytes, std::size_t length, const ZOLString& systemId);
    static ZOLSAX2DocumentSource stream(ZOLSAX2ReadFunction read, void* context, const ZOLString& systemId);

    // True for a file, which the reader may open from its path itself.
    bool isFile() const noexcept { return kind == Kind::FILE; }
    // True unless the document comes from a read function, which gives its bytes once.
    bool canReopen() const noexcept { return kind != Kind::STREAM; }
    // The file's path as given, or the system identifier as given.
    const ZOLString& getPath() const noexcept { return path; }
    // A fresh source for one parse.
    std::unique_ptr<xercesc::InputSource> open() const;

private:
    enum class Kind { FILE, MEMORY, STREAM };

    Kind kind = Kind::FILE;
    ZOLString path;
    const char* bytes = nullptr;
    std::size_t length = 0;
    ZOLSAX2ReadFunction read = nullptr;
    void* context = nullptr;
};

#endif
