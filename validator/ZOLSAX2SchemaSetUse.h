#ifndef ZOLSAX2SCHEMASETUSE_H
#define ZOLSAX2SCHEMASETUSE_H

#include <ZOLLog.h>
#include <ZOLString.h>

#include <xercesc/util/XercesDefs.hpp>

XERCES_CPP_NAMESPACE_BEGIN
class XMLGrammarPool;
XERCES_CPP_NAMESPACE_END

class ZOLSAX2ResourceResolver;
class ZOLSAX2SchemaSet;
class ZOLSAX2Validator;

// A validator's side of a shared schema set: which set it uses, whether its settings allow
// it, and the locked pool its reader reads from. Internal to the library.
class ZOLSAX2SchemaSetUse {
public:
    // The validator's settings that must match those the set was loaded with.
    struct Settings {
        bool secure = false;
        bool protection = false;
        bool fullChecking = true;
        const ZOLSAX2ResourceResolver* resolver = nullptr;
    };

    // Uses set (null: none) from now on.
    void use(const ZOLSAX2SchemaSet* set) noexcept { current = set; }
    const ZOLSAX2SchemaSet* get() const noexcept { return current; }
    // Gives validator the set's schemas as its configured ones.
    static void configure(ZOLSAX2Validator& validator, const ZOLSAX2SchemaSet& set);
    // The locked pool of the set in use when it loaded; null otherwise.
    xercesc::XMLGrammarPool* sharedPool() const noexcept;
    // False, with a SAX_PARSE_ERROR record naming the first setting that differs, when a set
    // is in use and was loaded with other settings than the validator's for the document at
    // path.
    bool accepts(ZOLLog& log, const Settings& settings, const ZOLString& path) const;

private:
    const ZOLSAX2SchemaSet* current = nullptr;
};

#endif
