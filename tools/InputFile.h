#ifndef ZOLSAX2_TOOLS_INPUTFILE_H
#define ZOLSAX2_TOOLS_INPUTFILE_H

#include "SourceNames.h"

#include <cstdint>
#include <iosfwd>
#include <string>

class ZOLSAX2Parser;

namespace zolsax2 {

class DiagnosticLog;

// One input of a command, opened before it is parsed so that an unreadable file is
// reported with the system's reason ("No such file or directory", "Permission denied",
// "Is a directory") instead of the reader's guess.
//
// The library takes UTF-8 paths, so a name that is not UTF-8 is opened here and handed to
// the library as /proc/self/fd/N: the file is read as named, but references inside it that
// are relative to its own location are then looked up in /proc/self/fd.
class InputFile {
public:
    // Opens name; "-" is standard input, which is left alone until parsed. Never throws
    // for an unreadable file: problem() says why.
    explicit InputFile(const std::string& name);
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    // Closes the file and removes a spooled copy.
    ~InputFile();

    // True for "-".
    bool isStandardInput() const noexcept { return standardInput; }
    // Why the input cannot be read, or empty.
    const std::string& problem() const noexcept { return why; }
    // The path to give the library (valid when problem() is empty and the input is a file).
    const std::string& path() const noexcept { return libraryPath; }
    // The size of a regular file or of spooled standard input in bytes; 0 for anything else.
    std::uintmax_t size() const noexcept { return bytes; }
    // The names of the input's files for diagnostics: the input as given, "<stdin>" for "-".
    const SourceNames& names() const noexcept { return sourceNames; }

    // Copies standard input (in) into a private temporary file, removed with this object,
    // so that count can time the parse of a file of known size; false with problem() set.
    bool spool(std::istream& in);
    // The system identifier standard input is validated under: "stdin" in the current
    // directory, against which its relative references are resolved.
    const std::string& streamId() const noexcept { return standardInputId; }
    // The library's read function over a std::istream (stream), for validating standard
    // input as it arrives, in bounded memory.
    static long readStream(void* stream, char* buffer, unsigned long size);
    // Parses the input with parser and collects its records in log; false when it
    // could not be read or the parse failed. Standard input is the process's own when in is
    // std::cin, else the whole of in. The library's closing ZSAX_F0005 is left out: the
    // verdict line stands for it. Other exceptions, out of memory included, become fatal
    // records.
    bool parse(ZOLSAX2Parser& parser, DiagnosticLog& log, std::istream& in) const;

private:
    std::string name;
    bool standardInput = false;
    std::string why;
    std::string libraryPath;
    std::uintmax_t bytes = 0;
    SourceNames sourceNames;
    // The descriptor kept open for a name that is not UTF-8, else -1.
    int descriptor = -1;
    // Standard input's system identifier, or empty.
    std::string standardInputId;
    // The spooled copy of standard input, or empty.
    std::string spoolPath;
};

} // namespace zolsax2

#endif
