#ifndef ZOLSAX2BADBYTELOCATOR_H
#define ZOLSAX2BADBYTELOCATOR_H

#include <xercesc/util/XercesDefs.hpp>

#include <cstddef>
#include <string>

class ZOLLog;

XERCES_CPP_NAMESPACE_BEGIN
class SAXParseException;
XERCES_CPP_NAMESPACE_END

// Finds where an encoding error really is. The reader converts its input a block at a time
// and reports a byte that does not decode where the block began, which may be lines before
// it. This reads the input again (the file its system identifier names, or the bytes of a
// parse from memory), finds the first byte that does not decode in the input's encoding
// (UTF-8 or US-ASCII, from the byte-order mark or the XML declaration; UTF-8 by default) and
// counts its line and column as the reader does (lines end at LF, CR or CR LF; columns count
// UTF-16 code units from 1). Internal to the library.
class ZOLSAX2BadByteLocator {
public:
    // Where the first bad byte is, and what it is.
    struct Finding {
        std::size_t offset = 0;
        long line = 0;
        long column = 0;
        // "byte 0xFF is not UTF-8"
        std::string text;
    };

    // Takes the bytes of a parse from memory, named memoryName by the reader, until the
    // next call; null forgets them.
    void setMemory(const char* data, std::size_t size, const char* memoryName);
    // For a fatal error of the reader: logs SAX_PARSE_ERROR at the bad byte, with location
    // data at the fatal level, and answers true when the error is an encoding error whose
    // bad byte is past the input's first byte. False, with nothing logged, otherwise.
    bool relocate(const xercesc::SAXParseException& exc, ZOLLog& log) const;

    // Finds the first bad byte of data; false when every byte decodes or the encoding is
    // one this does not know.
    static bool locate(const char* data, std::size_t size, Finding& finding);
    // The same for the file at path, read in blocks.
    static bool locateFile(const std::string& path, Finding& finding);

private:
    const char* memory = nullptr;
    std::size_t memorySize = 0;
    std::string memoryName;
};

#endif
