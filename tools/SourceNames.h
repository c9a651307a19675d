#ifndef ZOLSAX2_TOOLS_SOURCENAMES_H
#define ZOLSAX2_TOOLS_SOURCENAMES_H

#include <string>
#include <utility>
#include <vector>

namespace zolsax2 {

// The names under which diagnostics show the files of one input. The reader knows a file by
// its system identifier (an absolute path, "stdin", a spooled copy); the user knows it by
// the name given on the command line. Names are kept raw; printing escapes them.
class SourceNames {
public:
    // Names the input itself inputName ("<stdin>" for standard input).
    explicit SourceNames(std::string inputName) : input(std::move(inputName)) {}

    // Shows systemId as name from now on.
    void add(const std::string& systemId, const std::string& name);
    // The name of the input.
    const std::string& inputName() const noexcept { return input; }
    // The name of the file the reader calls systemId: the name given for it, or systemId.
    const std::string& nameOf(const std::string& systemId) const;
    // text with every known system identifier inside it replaced by its name, so that a
    // reader message quoting a path shows the name the user gave.
    std::string rewrite(const std::string& text) const;

private:
    std::string input;
    // System identifiers and their names.
    std::vector<std::pair<std::string, std::string>> known;
};

} // namespace zolsax2

#endif
