#include "InputList.h"

#include <istream>
#include <utility>

namespace zolsax2 {

InputList::InputList(std::vector<std::string> arguments) : arguments(std::move(arguments)) {}

InputList::InputList(std::vector<std::string> arguments, std::istream& list, char separator,
                     std::unique_ptr<std::istream> owned)
    : arguments(std::move(arguments)), list(&list), separator(separator), owned(std::move(owned))
{}

InputList::InputList(InputList&&) noexcept = default;

InputList::~InputList() = default;

bool InputList::next(std::string& name)
{
    if (nextArgument < arguments.size()) {
        name = arguments[nextArgument++];
        return true;
    }
    while (list != nullptr && std::getline(*list, name, separator)) {
        // A list names files: "-" there is the file of that name, not standard input.
        if (name == "-")
            name = "./-";
        if (!name.empty())
            return true;
    }
    return false;
}

} // namespace zolsax2
