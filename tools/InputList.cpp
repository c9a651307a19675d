#include "InputList.h"

#include "SystemError.h"

#include <cerrno>
#include <cstring>
#include <istream>
#include <unistd.h>
#include <utility>

namespace zolsax2 {

namespace {

std::string reason(int error)
{
    return SystemError::reason(error);
}

const std::size_t CHUNK = 65536;

} // namespace

InputList::InputList(std::vector<std::string> arguments) : arguments(std::move(arguments)) {}

InputList::InputList(std::vector<std::string> arguments, int fd, bool owned, char separator, std::string listName)
    : arguments(std::move(arguments)), hasList(true), fd(fd), ownsFd(owned), separator(separator),
      listName(std::move(listName))
{}

InputList::InputList(std::vector<std::string> arguments, std::istream& list, char separator, std::string listName)
    : arguments(std::move(arguments)), hasList(true), stream(&list), separator(separator), listName(std::move(listName))
{}

InputList::InputList(InputList&& other) noexcept
    : arguments(std::move(other.arguments)), nextArgument(other.nextArgument), hasList(other.hasList), fd(other.fd),
      ownsFd(other.ownsFd), stream(other.stream), separator(other.separator), listName(std::move(other.listName)),
      buffer(std::move(other.buffer)), start(other.start), ended(other.ended), why(std::move(other.why))
{
    other.ownsFd = false;
}

InputList::~InputList()
{
    if (ownsFd)
        ::close(fd);
}

void InputList::fail(const std::string& reason)
{
    why = "--files-from " + listName + ": " + reason;
    ended = true;
}

bool InputList::fill()
{
    if (ended)
        return false;
    // What was taken is dropped first, so the buffer holds at most one name and a chunk.
    buffer.erase(0, start);
    start = 0;
    const std::size_t had = buffer.size();
    buffer.resize(had + CHUNK);
    std::size_t got = 0;
    if (stream != nullptr) {
        stream->read(&buffer[had], static_cast<std::streamsize>(CHUNK));
        got = static_cast<std::size_t>(stream->gcount());
        if (stream->bad()) {
            buffer.resize(had);
            fail("read error");
            return false;
        }
    } else {
        ssize_t n = 0;
        do
            n = ::read(fd, &buffer[had], CHUNK);
        while (n < 0 && errno == EINTR);
        if (n < 0) {
            const int error = errno;
            buffer.resize(had);
            fail(reason(error));
            return false;
        }
        got = static_cast<std::size_t>(n);
    }
    buffer.resize(had + got);
    if (got == 0)
        ended = true;
    return got > 0;
}

bool InputList::next(std::string& name)
{
    if (nextArgument < arguments.size()) {
        name = arguments[nextArgument++];
        return true;
    }
    if (!hasList || !why.empty())
        return false;
    for (;;) {
        // Separators that end empty names are skipped but count towards the longest name.
        std::size_t first = start;
        while (first < buffer.size() && buffer[first] == separator)
            ++first;
        const std::size_t end = buffer.find(separator, first);
        if (end != std::string::npos) {
            name.assign(buffer, first, end - first);
            start = end + 1;
        } else if (buffer.size() - start > LONGEST_NAME) {
            fail("a name longer than " + std::to_string(LONGEST_NAME) + " bytes, the longest path the system allows");
            return false;
        } else if (!ended) {
            fill();
            continue;
        } else if (!why.empty() || first >= buffer.size()) {
            return false;
        } else {
            // The last name, without a separator after it.
            name.assign(buffer, first, buffer.size() - first);
            start = buffer.size();
        }
        if (name.size() > LONGEST_NAME) {
            fail("a name longer than " + std::to_string(LONGEST_NAME) + " bytes, the longest path the system allows");
            return false;
        }
        // A list names files: "-" there is the file of that name, not standard input.
        if (name == "-")
            name = "./-";
        return true;
    }
}

} // namespace zolsax2
