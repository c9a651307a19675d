#include "MessagesCommand.h"

#include "CommandLine.h"
#include "Escape.h"

#include <ZOLLogEvent.h>
#include <ZOLMessageLiteral.h>
#include <ZSAX.h>

#include <ostream>

namespace zolsax2 {

int MessagesCommand::run()
{
    const auto print = [this](const ZOLTextLiteral* literal) {
        const auto* message = static_cast<const ZOLMessageLiteral*>(literal);
        out << message->getId().chars() << '\t' << message->getMessageCode().chars() << '\t'
            << ZOLLogEvent::levelName(message->getLevel()) << '\t' << message->getText().chars() << '\n';
    };
    if (line.inputs.empty()) {
        for (const ZOLTextLiteral** l = ZSAX::getAllLiterals(); *l != nullptr; ++l)
            print(*l);
        return EXIT_OK;
    }
    const std::string& id = line.inputs.front();
    const ZOLTextLiteral* found = ZSAX::findTextLiteral(id.c_str());
    // A code from a diagnostic, such as ZSAX_F0005, names its message too.
    for (const ZOLTextLiteral** l = ZSAX::getAllLiterals(); found == nullptr && *l != nullptr; ++l) {
        if (static_cast<const ZOLMessageLiteral*>(*l)->getMessageCode() == id.c_str())
            found = *l;
    }
    if (found == nullptr) {
        err << "zolsax2: no message " << Escape::text(id) << "; 'zolsax2 messages' lists them\n";
        return EXIT_FAILED;
    }
    print(found);
    return EXIT_OK;
}

} // namespace zolsax2
