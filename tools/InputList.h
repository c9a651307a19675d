#ifndef ZOLSAX2_TOOLS_INPUTLIST_H
#define ZOLSAX2_TOOLS_INPUTLIST_H

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace zolsax2 {

// The names of a command's inputs, in order: the FILE arguments, then the names of a
// --files-from list, read one at a time so that a list of any length takes no more memory
// than its longest name. Names from a list are taken as they are, except that a line "-"
// becomes "./-": a list names files, and standard input is read once at most. Empty names
// are skipped.
class InputList {
public:
    // The arguments only.
    explicit InputList(std::vector<std::string> arguments);
    // The arguments, then the names read from list, each ended by separator ('\n' or '\0').
    // owned, when given, is the stream list refers to, kept open as long as this list.
    InputList(std::vector<std::string> arguments, std::istream& list, char separator,
              std::unique_ptr<std::istream> owned = nullptr);
    InputList(InputList&&) noexcept;
    ~InputList();

    // Sets name to the next input; false at the end.
    bool next(std::string& name);
    // How many inputs there are when that is known in advance (no list), else 0.
    std::size_t knownCount() const noexcept { return list == nullptr ? arguments.size() : 0; }

private:
    std::vector<std::string> arguments;
    std::size_t nextArgument = 0;
    std::istream* list = nullptr;
    char separator = '\n';
    std::unique_ptr<std::istream> owned;
};

} // namespace zolsax2

#endif
