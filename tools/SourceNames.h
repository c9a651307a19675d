#ifndef ZOLSAX2_TOOLS_SOURCENAMES_H
#define ZOLSAX2_TOOLS_SOURCENAMES_H

#include <string>
#include <utility>
#include <vector>

namespace zolsax2 {

// The names under which diagnostics show the files of one input. The reader knows a file by
// its system identifier (an absolute path, a file: URL, "stdin", a spooled copy); the user
// knows the input and the schema by the names given on the command line, and any other
// file (an external entity, a DTD, a schema document that the schema includes) by its path
// relative to the current directory. Names are kept raw; printing escapes them.
class SourceNames {
public:
    // Names the input itself inputName ("<stdin>" for standard input).
    explicit SourceNames(std::string inputName) : input(std::move(inputName)) {}

    // Shows systemId as name from now on.
    void add(const std::string& systemId, const std::string& name);
    // The name of the input.
    const std::string& inputName() const noexcept { return input; }
    // True when the reader's systemId is the input itself (an empty one counts: the reader
    // gives none when it could not open the input).
    bool isInput(const std::string& systemId) const;
    // The name of the file the reader calls systemId: the input's name for an empty one,
    // the name given for it, or else a local path relative to the current directory when
    // that directory and the file share a folder below the root (a file: URL counts as its
    // path), the absolute path when they do not, and any other URL as it is.
    std::string nameOf(const std::string& systemId) const;
    // text with every known system identifier inside it, and also, when given, file's,
    // replaced by its name, so that a reader message quoting a path shows the name the
    // user knows.
    std::string rewrite(const std::string& text, const std::string& file = std::string()) const;

private:
    std::string input;
    // System identifiers and their names.
    std::vector<std::pair<std::string, std::string>> known;
};

} // namespace zolsax2

#endif
