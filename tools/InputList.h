#ifndef ZOLSAX2_TOOLS_INPUTLIST_H
#define ZOLSAX2_TOOLS_INPUTLIST_H

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

namespace zolsax2 {

// The names of a command's inputs, in order: the FILE arguments, then the names of a
// --files-from list, read one at a time so that a list of any length takes no more memory
// than its longest name. Names from a list are taken as they are, except that a line "-"
// becomes "./-": a list names files, and standard input is read once at most. Empty names
// are skipped.
//
// A list that cannot be read to its end ends the names early with problem() set: a read
// error (with the system's reason), or a name longer than the longest path the system
// allows (a run of empty names counts as one name, so that a list of endless separators
// ends too).
class InputList {
public:
    // The arguments only.
    explicit InputList(std::vector<std::string> arguments);
    // The arguments, then the names read from the descriptor fd (closed with this list when
    // owned), each ended by separator ('\n' or '\0'). listName names the list in problems.
    InputList(std::vector<std::string> arguments, int fd, bool owned, char separator, std::string listName);
    // The arguments, then the names read from list (a stream standing for standard input).
    InputList(std::vector<std::string> arguments, std::istream& list, char separator, std::string listName);
    InputList(InputList&& other) noexcept;
    InputList& operator=(InputList&&) = delete;
    InputList(const InputList&) = delete;
    ~InputList();

    // Sets name to the next input; false at the end, or when the list failed (problem()).
    bool next(std::string& name);
    // How many inputs there are when that is known in advance (no list), else 0.
    std::size_t knownCount() const noexcept { return hasList ? 0 : arguments.size(); }
    // True when the inputs come from a list too.
    bool isList() const noexcept { return hasList; }
    // Why the list ended before its end ("--files-from LIST: REASON"), or empty.
    const std::string& problem() const noexcept { return why; }

    // The longest name a list may hold, in bytes.
    static constexpr std::size_t LONGEST_NAME = 4096;

private:
    // Reads more of the list into buffer; false at its end or on failure (why set).
    bool fill();
    void fail(const std::string& reason);

    std::vector<std::string> arguments;
    std::size_t nextArgument = 0;
    bool hasList = false;
    int fd = -1;
    bool ownsFd = false;
    std::istream* stream = nullptr;
    char separator = '\n';
    std::string listName;
    std::string buffer;
    std::size_t start = 0;
    bool ended = false;
    std::string why;
};

} // namespace zolsax2

#endif
