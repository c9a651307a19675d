#include "ZOLTextLiteralsCollection.h"

#include "ZOLTextLiteral.h"

#include <map>
#include <mutex>
#include <string>

namespace {

struct Registry {
    std::mutex mutex;
    // document identifier -> literal identifier -> text
    std::map<std::string, std::map<std::string, std::string>> documents;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

ZOLTextLiteralsCollection::ZOLTextLiteralsCollection() = default;

ZOLTextLiteralsCollection::~ZOLTextLiteralsCollection() = default;

void ZOLTextLiteralsCollection::init()
{
    std::map<std::string, std::string> texts;
    if (ZOLTextLiteral** literals = listAllLiterals()) {
        for (ZOLTextLiteral** p = literals; *p != nullptr; ++p)
            texts[(*p)->getId().chars()] = std::string((*p)->getText().chars(), (*p)->getText().length());
    }
    const ZOLString& documentId = getDocumentId();
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.documents[std::string(documentId.chars(), documentId.length())] = std::move(texts);
}

bool ZOLTextLiteralsCollection::lookupText(const ZOLString& documentId, const ZOLString& literalId, ZOLString& text)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto document = r.documents.find(std::string(documentId.chars(), documentId.length()));
    if (document == r.documents.end())
        return false;
    const auto literal = document->second.find(std::string(literalId.chars(), literalId.length()));
    if (literal == document->second.end())
        return false;
    text.init(literal->second.data(), static_cast<long>(literal->second.size()));
    return true;
}
