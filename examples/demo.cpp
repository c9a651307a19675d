// Walks through the library on the purchase-order example: the message catalogue,
// the events of a document, and the validation of a good and a bad order.
#include <ZOLSAX2Parser.h>
#include <ZOLSAX2Validator.h>
#include <ZOLStd.h>
#include <ZSAX.h>

#include <iostream>
#include <climits>
#include <cstdlib>
#include <string>

namespace {

struct Printer {
    ZOLSAX2Parser* parser = nullptr;
};

void onStart(void* userData, const char* name, const char** attributes)
{
    std::cout << static_cast<Printer*>(userData)->parser->getPosition().chars() << "\tstart\t" << name;
    for (const char** a = attributes; *a != nullptr; a += 2)
        std::cout << '\t' << a[0] << '=' << a[1];
    std::cout << '\n';
}

void onEnd(void* userData, const char* name)
{
    std::cout << static_cast<Printer*>(userData)->parser->getPosition().chars() << "\tend\t" << name << '\n';
}

void onPI(void* userData, const char* target, const char* data)
{
    std::cout << static_cast<Printer*>(userData)->parser->getPosition().chars() << "\tpi\t" << target << '\t'
              << data << '\n';
}

} // namespace

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "examples/purchase-order";
    ZOLStreamLog log(std::cout);

    std::cout << "== The message catalogue\n";
    for (const ZOLTextLiteral** l = ZSAX::getAllLiterals(); *l != nullptr; ++l) {
        const auto* m = static_cast<const ZOLMessageLiteral*>(*l);
        std::cout << m->getId().chars() << '\t' << m->getMessageCode().chars() << '\t'
                  << ZOLLogEvent::levelName(m->getLevel()) << '\t' << m->getText().chars() << '\n';
    }

    std::cout << "\n== Events of " << dir << "/order-good.xml (character data left out)\n";
    Printer printer;
    ZOLSAX2Parser parser(&printer, &log, onStart, onEnd, nullptr, onPI);
    printer.parser = &parser;
    parser.parseFile(ZOLFile((dir + "/order-good.xml").c_str()));

    std::cout << "\n== Parsing a malformed string\n";
    try {
        parser.parseString("<order><item></order>");
    } catch (const ZOLException& e) {
        std::cout << "caught: " << e.getMessage().chars() << '\n';
    }

    ZOLSAX2Validator validator(&log);
    // The reader resolves a relative schema location against the document, so pass an absolute one.
    char schema[PATH_MAX];
    if (realpath((dir + "/purchase-order.xsd").c_str(), schema) == nullptr) {
        std::cerr << "cannot find " << dir << "/purchase-order.xsd\n";
        return 1;
    }
    validator.addSchemaLocation("urn:example:purchase-order", schema);
    int failures = 0;
    for (const char* name : {"order-good.xml", "order-bad.xml"}) {
        const std::string path = dir + "/" + name;
        std::cout << "\n== Validating " << path << '\n';
        const bool valid = validator.validate(ZOLFile(path.c_str()));
        std::cout << path << (valid ? " validates" : " fails to validate") << '\n';
        failures += valid ? 0 : 1;
    }
    return failures == 1 ? 0 : 1;
}
